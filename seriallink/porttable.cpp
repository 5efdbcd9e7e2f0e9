#include "porttable.h"

#include <mutex>

namespace {

// Small numbers (a port number, a result, a byte) are never handles.
constexpr uintptr_t kFirstHandle = 0x10000;
// A 32-bit caller holds a handle too; negative values are left out.
constexpr uintptr_t kLastHandle = static_cast<uintptr_t>(INTPTR_MAX);

}  // namespace

intptr_t PortTable::NewHandle()
{
    const std::lock_guard<zmhw::Mutex> hold(lock_);
    if (last_ == kLastHandle)
        return 0;
    last_ = last_ < kFirstHandle ? kFirstHandle : last_ + 1;
    return static_cast<intptr_t>(last_);
}

void PortTable::Add(intptr_t handle, std::shared_ptr<OpenPort> port)
{
    const std::lock_guard<zmhw::Mutex> hold(lock_);
    ports_[handle] = Entry{std::move(port), false};
}

std::shared_ptr<OpenPort> PortTable::Find(intptr_t handle)
{
    const std::lock_guard<zmhw::Mutex> hold(lock_);
    const auto entry = ports_.find(handle);
    return entry == ports_.end() || entry->second.closing ? nullptr : entry->second.port;
}

bool PortTable::Holds(intptr_t handle)
{
    const std::lock_guard<zmhw::Mutex> hold(lock_);
    return ports_.count(handle) != 0;
}

std::shared_ptr<OpenPort> PortTable::BeginClose(intptr_t handle)
{
    const std::lock_guard<zmhw::Mutex> hold(lock_);
    const auto entry = ports_.find(handle);
    if (entry == ports_.end() || entry->second.closing)
        return nullptr;
    entry->second.closing = true;
    return entry->second.port;
}

void PortTable::EndClose(intptr_t handle, bool closed)
{
    const std::lock_guard<zmhw::Mutex> hold(lock_);
    const auto entry = ports_.find(handle);
    if (entry == ports_.end())
        return;
    if (closed)
        ports_.erase(entry);
    else
        entry->second.closing = false;
}

PortTable &Ports()
{
    // Never destroyed: a port left open at exit is the system's to close, as it was before the
    // table, and no call on another thread meets a table gone.
    static PortTable &table = *new PortTable;
    return table;
}
