// The read-only mapping on Windows: the file, a mapping object over it and one
// view of the whole. Both handles are closed as soon as the view exists; the
// view keeps the mapping alive until it is unmapped.
#include "platform/mapped_file.h"

#include <windows.h>

#include <new>
#include <string>

#include "platform/win32/utf16_text.h"

namespace platform {

std::unique_ptr<MappedFile> MappedFile::map(const char* path) {
  std::unique_ptr<MappedFile> file(new (std::nothrow) MappedFile);
  std::wstring wide;
  if (!file || path == nullptr || !toUtf16(path, wide) || wide.empty()) return file;
  // Others may read and even replace the file meanwhile, as on other systems.
  const HANDLE handle = CreateFileW(
      wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return file;
  LARGE_INTEGER size{};
  // Only a disk file is mapped: a pipe, console or device is refused.
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size) ||
      size.QuadPart <= 0) {
    CloseHandle(handle);
    return file;
  }
  const HANDLE mapping = CreateFileMappingW(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
  CloseHandle(handle);
  if (mapping == nullptr) return file;
  void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  CloseHandle(mapping);
  if (view == nullptr) return file;
  file->view_ = static_cast<const unsigned char*>(view);
  file->size_ = static_cast<std::size_t>(size.QuadPart);
  return file;
}

MappedFile::~MappedFile() {
  unmap();
}

void MappedFile::unmap() {
  if (view_ != nullptr) UnmapViewOfFile(view_);
  view_ = nullptr;
  size_ = 0;
}

}  // namespace platform
