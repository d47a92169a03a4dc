#include "platform/posix/registry_store.h"

#include "platform/posix/registry_text.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace vetrel::registry {

namespace {

std::string locationFromEnvironment()
{
    if (const char* path = std::getenv("VETREL_REGISTRY"); path && *path) return path;
    // A relative XDG_DATA_HOME does not count, as with every other XDG directory.
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
        return std::string(data) + "/vetrel/registry";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.local/share/vetrel/registry";
    return {};
}

// Files are only ever replaced, never rewritten, but the size and times also catch a file that
// someone edited in place.
bool sameFileState(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

bool readAll(int fd, std::string& text)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count == 0) return true;
        if (count < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        text.append(buffer, static_cast<size_t>(count));
    }
}

bool writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t count = ::write(fd, text.data(), text.size());
        if (count < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        text.remove_prefix(static_cast<size_t>(count));
    }
    return true;
}

// Makes the rename itself durable.
void syncDirectoryOf(const std::string& path)
{
    const std::string directory = std::filesystem::path(path).parent_path().string();
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Test hook: stops the writer when the new file is complete and synced but not yet renamed
// over the registry, the moment a crash must not lose the previous content.
void stopBeforeRenameWhenAsked()
{
    if (const char* stop = std::getenv("VETREL_REGISTRY_STOP_BEFORE_RENAME"); stop && *stop)
        std::raise(SIGSTOP);
}

} // namespace

Store::FileDescriptor::FileDescriptor(FileDescriptor&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
{}

Store::FileDescriptor& Store::FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

Store::FileDescriptor::~FileDescriptor()
{
    if (m_fd >= 0) ::close(m_fd);
}

Store& Store::instance()
{
    // Never destroyed, so that registry calls made while the process exits still work.
    static Store* const store = new Store;
    return *store;
}

LSTATUS Store::read(const std::function<LSTATUS(const Tree&)>& inspect)
{
    std::lock_guard guard(m_mutex);
    if (const LSTATUS status = locate(); status != ERROR_SUCCESS) return status;
    const FileDescriptor held = lock(LOCK_SH);
    if (!held) return ERROR_CANTOPEN;
    if (const LSTATUS status = refresh(); status != ERROR_SUCCESS) return status;
    return inspect(m_tree);
}

LSTATUS Store::write(const std::function<LSTATUS(Tree&)>& change)
{
    std::lock_guard guard(m_mutex);
    if (const LSTATUS status = locate(); status != ERROR_SUCCESS) return status;
    const FileDescriptor held = lock(LOCK_EX);
    if (!held) return ERROR_CANTOPEN;
    if (const LSTATUS status = refresh(); status != ERROR_SUCCESS) return status;

    const uint64_t before = m_tree.revision();
    LSTATUS result;
    try {
        result = change(m_tree);
    } catch (...) {
        forget();
        throw;
    }
    if (m_tree.revision() == before) return result;
    if (const LSTATUS saved = save(); saved != ERROR_SUCCESS) {
        forget();
        return saved;
    }
    return result;
}

LSTATUS Store::locate()
{
    if (!m_path.empty()) return ERROR_SUCCESS;
    const std::string location = locationFromEnvironment();
    if (location.empty()) return ERROR_CANTOPEN;
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(location, error);
    if (error) return ERROR_CANTOPEN;
    // A directory that cannot be made shows up as a lock file that cannot be opened.
    std::filesystem::create_directories(path.parent_path(), error);
    m_path = path.string();
    return ERROR_SUCCESS;
}

Store::FileDescriptor Store::lock(int operation)
{
    FileDescriptor file(::open((m_path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (!file) return file;
    while (::flock(file.get(), operation) != 0)
        if (errno != EINTR) return FileDescriptor();
    return file;
}

LSTATUS Store::refresh()
{
    struct stat current
    {};
    if (::stat(m_path.c_str(), &current) != 0) {
        if (errno != ENOENT) return ERROR_CANTOPEN;
        // No file yet, or it was removed: the registry holds only its built-in keys.
        if (!m_loaded || m_file) {
            m_tree = Tree();
            m_treeStatus = ERROR_SUCCESS;
            m_file = FileDescriptor();
            m_loaded = true;
        }
        return ERROR_SUCCESS;
    }
    if (m_loaded && m_file && sameFileState(current, m_fileState)) return m_treeStatus;

    FileDescriptor file(::open(m_path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat state
    {};
    if (!file || ::fstat(file.get(), &state) != 0) return ERROR_CANTOPEN;
    std::string text;
    if (!readAll(file.get(), text)) return ERROR_CANTREAD;
    auto parsed = parseTree(text);
    m_tree = parsed ? std::move(*parsed) : Tree();
    m_treeStatus = parsed ? ERROR_SUCCESS : ERROR_BADDB;
    m_file = std::move(file);
    m_fileState = state;
    m_loaded = true;
    return m_treeStatus;
}

LSTATUS Store::save()
{
    const std::string text = formatTree(m_tree);
    const std::string temporary = m_path + ".new";
    FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!file) return ERROR_CANTWRITE;
    if (!writeAll(file.get(), text) || ::fsync(file.get()) != 0) {
        ::unlink(temporary.c_str());
        return ERROR_CANTWRITE;
    }
    stopBeforeRenameWhenAsked();
    if (::rename(temporary.c_str(), m_path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return ERROR_CANTWRITE;
    }
    syncDirectoryOf(m_path);

    struct stat state
    {};
    if (::fstat(file.get(), &state) != 0) {
        // Saved, but unknown as seen: read it again next time.
        forget();
        return ERROR_SUCCESS;
    }
    m_file = std::move(file);
    m_fileState = state;
    m_treeStatus = ERROR_SUCCESS;
    return ERROR_SUCCESS;
}

void Store::forget()
{
    m_loaded = false;
    m_file = FileDescriptor();
}

} // namespace vetrel::registry
