// The kernel object behind a handle on a file of the dry volume: writes are
// counted into the record's size and discarded; reads come from the host
// file a record added from the host stands for.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "dry_records.h"
#include "handle.h"
#include "share.h"

namespace host {

class DryFile : public KernelObject {
public:
    // `hostFd` is the open host file of a record added from the host, or -1.
    DryFile(std::shared_ptr<DryRecord> record, DWORD access, uint64_t shareToken, int hostFd);
    ~DryFile() override;
    DryFile(const DryFile&) = delete;
    DryFile& operator=(const DryFile&) = delete;

    BOOL Close() override;

    // The Win32 functions of the same names, their handle checks done.
    BOOL Read(void* buffer, DWORD size, DWORD* read);
    BOOL Write(DWORD size, DWORD* written);
    DWORD SetPointer(int64_t distance, DWORD moveMethod, LONG* distanceHigh);
    DWORD Size(DWORD* sizeHigh);
    BOOL Flush();
    BOOL GetTimes(FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite);
    BOOL SetTimes(const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite);

private:
    std::shared_ptr<DryRecord> record_;
    DWORD access_;
    uint64_t shareToken_;
    int hostFd_;
    uint64_t position_ = 0;
};

// The dry file behind `handle`, or null (last error untouched) when it is
// none: then the handle is the host's to judge.
std::shared_ptr<DryFile> LookupDryFile(HANDLE handle);

// The id the share-mode bookkeeping knows a record by.
FileId DryFileId(const DryRecord& record);

}  // namespace host
