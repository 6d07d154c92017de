// A Win32 handle closed when it goes out of scope, so that no early return leaks one.
#pragma once

#include <windows.h>

// Holds a handle and closes it with Close (CloseHandle, FindClose) unless it is INVALID_HANDLE_VALUE.
template <BOOL(WINAPI* Close)(HANDLE)>
class HeldHandle {
  public:
    explicit HeldHandle(HANDLE handle) : handle_(handle) {}
    ~HeldHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            Close(handle_);
        }
    }
    HeldHandle(const HeldHandle&) = delete;
    HeldHandle& operator=(const HeldHandle&) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    // Closes the handle now; false when closing fails (a write not yet on disk may fail here).
    bool close() {
        HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle == INVALID_HANDLE_VALUE || Close(handle);
    }

  private:
    HANDLE handle_;
};

// A file or folder opened with CreateFileW / CreateFileA.
using FileHandle = HeldHandle<CloseHandle>;
// A search begun with FindFirstFileW.
using SearchHandle = HeldHandle<FindClose>;
