#include "writers/whole_file.h"

#include "platform/platform.h"

namespace writers {
namespace {

bool WriteAll(platform::HANDLE file, const std::string& text) {
  for (std::size_t done = 0; done < text.size();) {
    platform::DWORD written = 0;
    const std::size_t left = text.size() - done;
    const platform::DWORD ask = left > (1u << 30) ? (1u << 30) : static_cast<platform::DWORD>(left);
    if (!platform::WriteFile(file, text.data() + done, ask, &written, nullptr) || written == 0)
      return false;
    done += written;
  }
  return true;
}

}  // namespace

bool WriteWholeFile(const std::string& path, const std::string& text) {
  if (path.empty()) return false;
  const std::string temporary =
      path + "." + std::to_string(platform::GetCurrentProcessId()) + ".tmp";
  const platform::HANDLE file =
      platform::CreateFileA(temporary.c_str(), platform::GENERIC_WRITE, 0, nullptr,
                            platform::CREATE_NEW, platform::FILE_ATTRIBUTE_NORMAL, 0);
  if (file == platform::INVALID_HANDLE_VALUE) return false;  // GetLastError says why
  const bool written = WriteAll(file, text);
  if (platform::CloseHandle(file) && written &&
      platform::MoveFileExA(temporary.c_str(), path.c_str(), platform::MOVEFILE_REPLACE_EXISTING))
    return true;
  // The caller asks GetLastError why: the step that failed, not the clean-up.
  const platform::DWORD error = platform::GetLastError();
  platform::DeleteFileA(temporary.c_str());
  platform::SetLastError(error);
  return false;
}

}  // namespace writers
