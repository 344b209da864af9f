#include "PlanError.h"

#include <sys/stat.h>

#include <cerrno>

std::string IoErrorText(int Code) { return "I/O error " + std::to_string(Code); }

namespace {

bool FolderExists(const std::string& Path) {
  auto Slash = Path.find_last_of('/');
  std::string Folder = Slash == std::string::npos ? "." : Slash == 0 ? "/" : Path.substr(0, Slash);
  struct stat St {};
  return ::stat(Folder.c_str(), &St) == 0 && S_ISDIR(St.st_mode);
}

}  // namespace

std::string FileErrorText(int Code, const std::string& Path) {
  switch (Code) {
    case ENOENT:
      // A missing file in an existing folder is "not found"; a missing
      // folder on the way makes the name itself invalid.
      return !Path.empty() && FolderExists(Path) ? PlanMessages::FileNotFound : PlanMessages::InvalidFilename;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case ELOOP:
      return PlanMessages::InvalidFilename;
    case EMFILE:
    case ENFILE:
      return PlanMessages::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    // A pipe without a reader, a socket: not a file to read or write.
    case ENXIO:
      return PlanMessages::AccessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return PlanMessages::DiskFull;
    default:
      return IoErrorText(Code);
  }
}

void RaiseRangeError() { throw EPlanError(PlanMessages::RangeCheck); }
