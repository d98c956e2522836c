// Win32 side of the platform layer: the opening of named files, with the
// whole-file replacement, and the identity of names. The rest is in
// platform_win32.cpp.
#include "platform/platform.hpp"
#include "platform/platform_win32_handles.hpp"

#include <atomic>
#include <string>

namespace platform {

namespace {

bool is_write_refusal(DWORD error) { return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT; }

// Read-write, else read-only when writing is refused. Other processes may
// read the file meanwhile, not write it.
OpenResult failed_open(DWORD error) {
  OpenResult result;
  result.error = static_cast<ErrorCode>(error);
  return result;
}

OpenResult open_for_update(const std::string& name, DWORD disposition) {
  OpenResult result;
  HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE && is_write_refusal(GetLastError())) {
    // Only the reason for the refusal is worth telling when reading fails too.
    const DWORD refusal = GetLastError();
    handle = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      result.error = static_cast<ErrorCode>(refusal);
      return result;
    }
    result.read_only = true;
  }
  if (handle == INVALID_HANDLE_VALUE) {
    result.error = static_cast<ErrorCode>(GetLastError());
    return result;
  }
  result.handle = from_native(handle);
  return result;
}

OpenResult finish_open(OpenResult result) {
  const HANDLE handle = to_native(result.handle);
  const DWORD type = GetFileType(handle);
  if (type == FILE_TYPE_PIPE) {
    // Files are read twice from their start; a pipe cannot go back, and one
    // opened for writing too would never report its end.
    CloseHandle(handle);
    return failed_open(ERROR_SEEK_ON_DEVICE);
  }
  if (type == FILE_TYPE_DISK) {
    // A folder normally fails to open without backup semantics already; a
    // handle that still names one is refused the same way.
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      CloseHandle(handle);
      return failed_open(ERROR_ACCESS_DENIED);
    }
  }
  result.regular_file = type == FILE_TYPE_DISK;
  return result;
}

std::wstring widen(const std::string& text) {
  const int size = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (size <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), size);
  wide.pop_back();
  return wide;
}

// The file an existing name leads to, links and junctions resolved; the full
// path of the name when it leads to no file yet.
std::string final_path_of(const std::string& name) {
  HANDLE handle = CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle != INVALID_HANDLE_VALUE) {
    char buffer[MAX_PATH * 4];
    const DWORD length = GetFinalPathNameByHandleA(handle, buffer, sizeof buffer, FILE_NAME_NORMALIZED);
    CloseHandle(handle);
    if (length > 0 && length < sizeof buffer) {
      std::string path(buffer, length);
      // Without the \\?\ prefix: the name that the other calls take.
      if (path.starts_with("\\\\?\\UNC\\")) return "\\\\" + path.substr(8);
      if (path.starts_with("\\\\?\\")) return path.substr(4);
      return path;
    }
  }
  return full_path(name);
}

// A new, empty file beside `final_path`, under a name of our own; none when
// the folder takes no new file.
HANDLE create_beside(const std::string& final_path, std::string& new_path) {
  const auto separator = final_path.find_last_of("\\/");
  if (separator == std::string::npos) return INVALID_HANDLE_VALUE;
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    new_path = final_path.substr(0, separator + 1) + "." + final_path.substr(separator + 1) + ".tiral-" +
               hex(GetCurrentProcessId()) + "-" + hex(counter.fetch_add(1, std::memory_order_relaxed));
    HANDLE handle = CreateFileA(new_path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) return handle;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  new_path.clear();
  return INVALID_HANDLE_VALUE;
}

OpenResult open_replacement(const std::string& name, DWORD disposition) {
  const std::string final_path = final_path_of(name);
  if (final_path.empty()) return finish_open(open_for_update(name, disposition));
  // The old file as today's open finds it: one the user may only read stays
  // read-only, a device stays a device.
  OpenResult result = open_for_update(final_path, OPEN_EXISTING);
  const bool missing = result.error == ERROR_FILE_NOT_FOUND;
  if (result.error != 0 && !missing) return result;
  if (!missing) {
    result = finish_open(result);
    if (result.error != 0 || result.read_only || !result.regular_file) return result;
  }
  std::string new_path;
  HANDLE created = create_beside(final_path, new_path);
  if (created == INVALID_HANDLE_VALUE) {
    // A folder that takes no new file: the old file is rewritten in place.
    return missing ? finish_open(open_for_update(final_path, disposition)) : result;
  }
  if (!missing) {
    // The new file gets the old one's attributes; its security is the folder's.
    const DWORD attributes = GetFileAttributesA(final_path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(new_path.c_str(), attributes);
    CloseHandle(to_native(result.handle));
  }
  OpenResult replacement;
  replacement.handle = from_native(created);
  replacement.regular_file = true;
  replacement.final_path = final_path;
  replacement.new_path = std::move(new_path);
  return replacement;
}

OpenResult open_by_access(const std::string& name, IfMissing if_missing, Access access) {
  const DWORD disposition = if_missing == IfMissing::create ? OPEN_ALWAYS : OPEN_EXISTING;
  if (access == Access::replace) return open_replacement(name, disposition);
  if (access == Access::read) {
    // Nothing is written to it: a read-only open, with the same sharing.
    HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      OpenResult result;
      result.handle = from_native(handle);
      return finish_open(result);
    }
    const DWORD error = GetLastError();
    if ((error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) && if_missing == IfMissing::fail) {
      return failed_open(error);
    }
  }
  OpenResult result = open_for_update(name, disposition);
  return result.error != 0 ? result : finish_open(result);
}

}  // namespace

OpenResult open_file(const std::string& name, IfMissing if_missing, Access access) {
  OpenResult result = open_by_access(name, if_missing, access);
  result.reason = open_failure_reason(result.error);
  return result;
}

ErrorCode commit_replacement(FileHandle handle, const std::string& new_path, const std::string& final_path) {
  ErrorCode error = CloseHandle(to_native(handle)) ? 0 : static_cast<ErrorCode>(GetLastError());
  if (error == 0 && !MoveFileExW(widen(new_path).c_str(), widen(final_path).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    error = static_cast<ErrorCode>(GetLastError());
  }
  if (error != 0) DeleteFileA(new_path.c_str());
  return error;
}

void discard_replacement(FileHandle handle, const char* new_path) {
  CloseHandle(to_native(handle));
  DeleteFileA(new_path);
}

bool same_existing_file(const std::string& first, const std::string& second) {
  if (first.empty() || second.empty()) return false;
  auto identity = [](const std::string& name, BY_HANDLE_FILE_INFORMATION& info) {
    // No access rights asked: only the identity is read, and a file that
    // another program holds open still answers.
    HANDLE handle = CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    return known;
  };
  BY_HANDLE_FILE_INFORMATION a{}, b{};
  if (!identity(first, a) || !identity(second, b)) return false;
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

bool same_full_path(const std::string& first, const std::string& second) {
  const std::string a = full_path(first);
  const std::string b = full_path(second);
  // Windows names ignore letter case: Report.txt is report.txt.
  return !a.empty() && a.size() == b.size() &&
         CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace platform
