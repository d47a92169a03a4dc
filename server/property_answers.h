// The properties of a tag as IOPCBrowse hands them out: the same table and values as
// IOPCItemProperties, in the structures of the 3.0 interfaces. Everything they point to is task
// memory that the client frees.
#pragma once

#include "comkit/client_arrays.h"
#include "vetrel/opc.h"

#include <new>
#include <span>

namespace vetrel {

class OPCTag;

// Which properties a client asks for: every one in table order when ids is empty.
struct PropertyRequest
{
    std::span<const DWORD> ids;
    bool withValues = false;
};

// Fills properties, which is empty, for tag: hrErrorID S_OK, or S_FALSE when an entry carries
// an error (OPC_E_INVALID_PID for an id outside the table, or its value's failure). The caller
// holds the runtime lock. Throws std::bad_alloc, leaving properties empty.
void describeProperties(const OPCTag& tag, const PropertyRequest& request,
                        OPCITEMPROPERTIES& properties);

// Frees what an entry points to and empties it.
void clearEntry(OPCITEMPROPERTY& entry) noexcept;
void clearEntry(OPCITEMPROPERTIES& entry) noexcept;
void clearEntry(OPCBROWSEELEMENT& entry) noexcept;

// A cleared array of entries for a client that, until released, frees what its entries point
// to. Throws std::bad_alloc.
template <typename T> class EntryArray
{
public:
    explicit EntryArray(size_t count) : m_entries(count ? allocateCleared<T>(count) : TaskMem<T>())
    {
        if (count && !m_entries) throw std::bad_alloc();
    }
    EntryArray(const EntryArray&) = delete;
    EntryArray& operator=(const EntryArray&) = delete;
    ~EntryArray()
    {
        for (size_t i = 0; i < m_entries.size(); ++i) clearEntry(m_entries[i]);
    }

    T& operator[](size_t index) const noexcept { return m_entries[index]; }
    // Null when empty.
    T* release() noexcept { return m_entries.release(); }

private:
    TaskMem<T> m_entries;
};

} // namespace vetrel
