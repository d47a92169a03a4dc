// The registry file shared by every process of the user. Readers hold a shared lock and
// writers an exclusive one on a lock file beside it; the tree is read again whenever the file
// was replaced since this process last saw it, and a change is saved by writing a new file and
// renaming it over the old one, so a writer that dies midway leaves the previous content.
#pragma once

#include "platform/posix/registry_tree.h"

#include <functional>
#include <mutex>
#include <string>
#include <sys/stat.h>

namespace vetrel::registry {

class Store
{
public:
    // The one store of the process. Its location is looked up at the first call.
    static Store& instance();

    // Runs inspect on the current tree.
    LSTATUS read(const std::function<LSTATUS(const Tree&)>& inspect);
    // Runs change on the current tree and saves the tree when change modified it. A file that
    // cannot be parsed is never replaced: both read and write then answer ERROR_BADDB.
    LSTATUS write(const std::function<LSTATUS(Tree&)>& change);

private:
    class FileDescriptor
    {
    public:
        FileDescriptor() = default;
        explicit FileDescriptor(int fd) : m_fd(fd) {}
        FileDescriptor(FileDescriptor&& other) noexcept;
        FileDescriptor& operator=(FileDescriptor&& other) noexcept;
        ~FileDescriptor();
        int get() const { return m_fd; }
        explicit operator bool() const { return m_fd >= 0; }

    private:
        int m_fd = -1;
    };

    LSTATUS locate();
    FileDescriptor lock(int operation);
    LSTATUS refresh();
    LSTATUS save();
    void forget();

    std::mutex m_mutex;
    std::string m_path;
    Tree m_tree;
    LSTATUS m_treeStatus = ERROR_SUCCESS;
    bool m_loaded = false;
    // The file the tree was read from or saved to, and its state then. Keeping it open pins
    // its inode, so a later file at the same path can never look like this one.
    FileDescriptor m_file;
    struct stat m_fileState
    {};
};

} // namespace vetrel::registry
