#include "platform/posix/registry_text.h"

#include <array>
#include <charconv>
#include <unordered_set>
#include <utility>
#include <vector>

namespace vetrel::registry {

namespace {

constexpr std::string_view kHeader = "vetrel-registry 1";
constexpr std::string_view kHexDigits = "0123456789ABCDEF";
constexpr std::string_view kHexPrefix = "hex:";

constexpr std::array<std::pair<DWORD, std::string_view>, 7> kTypeNames = {{
    {REG_NONE, "none"},
    {REG_SZ, "sz"},
    {REG_EXPAND_SZ, "expand_sz"},
    {REG_BINARY, "binary"},
    {REG_DWORD, "dword"},
    {REG_MULTI_SZ, "multi_sz"},
    {REG_QWORD, "qword"},
}};

bool isTextType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

void appendHexByte(unsigned char byte, std::string& out)
{
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
}

void appendQuoted(std::string_view text, std::string& out)
{
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '%' && c != '"') {
            out += c;
        } else {
            out += '%';
            appendHexByte(byte, out);
        }
    }
    out += '"';
}

void appendType(DWORD type, std::string& out)
{
    for (const auto& [known, name] : kTypeNames)
        if (known == type) {
            out += name;
            return;
        }
    out += std::to_string(type);
}

void appendData(const Value& value, std::string& out)
{
    if (isTextType(value.type)) {
        appendQuoted(value.data, out);
        return;
    }
    out += kHexPrefix;
    for (const char c : value.data) appendHexByte(static_cast<unsigned char>(c), out);
}

void appendKey(const Key& key, const std::string& path, std::string& out)
{
    out += "key " + std::to_string(key.id) + ' ' + std::to_string(key.lastWrite) + ' ';
    appendQuoted(path, out);
    out += '\n';
    for (const auto& [name, value] : key.values) {
        out += "value ";
        appendQuoted(name, out);
        out += ' ';
        appendType(value.type, out);
        out += ' ';
        appendData(value, out);
        out += '\n';
    }
    for (const auto& [name, subkey] : key.subkeys) appendKey(*subkey, path + '\\' + name, out);
}

// The fields of a line: runs of characters separated by single spaces, where a quoted field
// may hold spaces.
std::optional<std::vector<std::string_view>> splitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        size_t end;
        if (start < line.size() && line[start] == '"') {
            end = line.find('"', start + 1);
            if (end == std::string_view::npos) return std::nullopt;
            ++end;
        } else {
            end = std::min(line.find(' ', start), line.size());
        }
        if (end == start) return std::nullopt;
        fields.push_back(line.substr(start, end - start));
        if (end == line.size()) return fields;
        if (line[end] != ' ') return std::nullopt;
        start = end + 1;
    }
}

std::optional<uint64_t> parseNumber(std::string_view field)
{
    uint64_t number = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), number);
    if (error != std::errc() || end != field.data() + field.size()) return std::nullopt;
    return number;
}

std::optional<unsigned char> parseHexByte(std::string_view digits)
{
    unsigned int byte = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + 2, byte, 16);
    if (error != std::errc() || end != digits.data() + 2) return std::nullopt;
    return static_cast<unsigned char>(byte);
}

std::optional<std::string> parseQuoted(std::string_view field)
{
    if (field.size() < 2 || field.front() != '"' || field.back() != '"') return std::nullopt;
    const std::string_view inner = field.substr(1, field.size() - 2);
    std::string text;
    for (size_t i = 0; i < inner.size(); ++i) {
        const auto byte = static_cast<unsigned char>(inner[i]);
        if (byte == '%') {
            if (i + 2 >= inner.size()) return std::nullopt;
            const auto escaped = parseHexByte(inner.substr(i + 1, 2));
            if (!escaped) return std::nullopt;
            text += static_cast<char>(*escaped);
            i += 2;
        } else if (byte >= 0x20 && byte < 0x7F) {
            text += inner[i];
        } else {
            return std::nullopt;
        }
    }
    return text;
}

std::optional<std::string> parseData(std::string_view field)
{
    if (!field.starts_with(kHexPrefix)) return parseQuoted(field);
    const std::string_view digits = field.substr(kHexPrefix.size());
    if (digits.size() % 2 != 0) return std::nullopt;
    std::string data;
    for (size_t i = 0; i < digits.size(); i += 2) {
        const auto byte = parseHexByte(digits.substr(i, 2));
        if (!byte) return std::nullopt;
        data += static_cast<char>(*byte);
    }
    return data;
}

std::optional<DWORD> parseType(std::string_view field)
{
    for (const auto& [type, name] : kTypeNames)
        if (name == field) return type;
    const auto number = parseNumber(field);
    if (!number || *number > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<DWORD>(*number);
}

class Reader
{
public:
    explicit Reader(KeyId nextId) { m_tree.setNextId(nextId); }

    // key ID TIME "PATH"
    bool readKey(const std::vector<std::string_view>& fields)
    {
        const auto id = parseNumber(fields[1]);
        const auto time = parseNumber(fields[2]);
        const auto text = parseQuoted(fields[3]);
        Path path;
        if (!id || !time || !text || splitPath(*text, path) != ERROR_SUCCESS || path.empty())
            return false;
        // Every component is written out, so a skipped empty one means a damaged path.
        if (text->back() == '\\' || text->find("\\\\") != std::string::npos) return false;

        const std::string name = std::move(path.back());
        path.pop_back();
        Key* parent = m_tree.find(m_tree.top(), path);
        if (!parent) return false;
        if (Key* existing = Tree::child(*parent, name)) {
            if (!Tree::isBuiltIn(*existing) || existing->id != *id || !m_seen.insert(*id).second)
                return false;
            existing->lastWrite = *time;
            m_current = existing;
            return true;
        }
        // Only the built-in hives sit at the top.
        if (parent == &m_tree.top() || *id < kFirstFreeId || *id >= m_tree.nextId() ||
            m_tree.find(*id))
            return false;
        m_current = &m_tree.addSubkey(*parent, name, *id, *time);
        return true;
    }

    // value "NAME" TYPE DATA
    bool readValue(const std::vector<std::string_view>& fields)
    {
        const auto name = parseQuoted(fields[1]);
        const auto type = parseType(fields[2]);
        auto data = parseData(fields[3]);
        if (!m_current || !name || !type || !data || m_current->values.contains(*name))
            return false;
        m_tree.setValue(*m_current, *name, Value{*type, std::move(*data)}, m_current->lastWrite);
        return true;
    }

    Tree take() { return std::move(m_tree); }

private:
    Tree m_tree;
    Key* m_current = nullptr;
    std::unordered_set<KeyId> m_seen;
};

} // namespace

std::string formatTree(const Tree& tree)
{
    std::string out(kHeader);
    out += "\nnext-id " + std::to_string(tree.nextId()) + '\n';
    for (const auto& [name, hive] : tree.top().subkeys) appendKey(*hive, name, out);
    out += "end\n";
    return out;
}

std::optional<Tree> parseTree(std::string_view text)
{
    if (text.empty() || text.back() != '\n') return std::nullopt;
    std::vector<std::string_view> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (lines.size() < 3 || lines.front() != kHeader || lines.back() != "end") return std::nullopt;

    const auto counter = splitFields(lines[1]);
    if (!counter || counter->size() != 2 || (*counter)[0] != "next-id") return std::nullopt;
    const auto nextId = parseNumber((*counter)[1]);
    if (!nextId || *nextId < kFirstFreeId) return std::nullopt;

    Reader reader(*nextId);
    for (size_t i = 2; i + 1 < lines.size(); ++i) {
        const auto fields = splitFields(lines[i]);
        if (!fields || fields->size() != 4) return std::nullopt;
        const std::string_view kind = fields->front();
        const bool accepted = kind == "key"     ? reader.readKey(*fields)
                              : kind == "value" ? reader.readValue(*fields)
                                                : false;
        if (!accepted) return std::nullopt;
    }
    return reader.take();
}

} // namespace vetrel::registry
