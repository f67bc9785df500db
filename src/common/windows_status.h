#pragma once

// The Windows status codes (winerror.h) that the launcher produces, compares or reports, each
// under its Windows name. The registry stand-ins and the Linux judgement of files speak these
// codes as well, so that both platforms report a failure alike. MinGW's headers lack
// ERROR_VIRUS_INFECTED, the cloud-files codes and ERROR_REGISTRY_QUOTA_LIMIT; the Windows build
// ties the others to their macros.

#include <cstdint>

namespace zub {

// A status code: 0 for success, otherwise the error. Also carries the platform's own error
// codes where an OS call failed (GetLastError on Windows, errno on Linux).
using OsError = std::uint32_t;

inline constexpr OsError kErrorSuccess = 0;                      // ERROR_SUCCESS
inline constexpr OsError kErrorFileNotFound = 2;                 // ERROR_FILE_NOT_FOUND
inline constexpr OsError kErrorPathNotFound = 3;                 // ERROR_PATH_NOT_FOUND
inline constexpr OsError kErrorAccessDenied = 5;                 // ERROR_ACCESS_DENIED
inline constexpr OsError kErrorInvalidHandle = 6;                // ERROR_INVALID_HANDLE
inline constexpr OsError kErrorInvalidDrive = 15;                // ERROR_INVALID_DRIVE
inline constexpr OsError kErrorReadFault = 30;                   // ERROR_READ_FAULT
inline constexpr OsError kErrorSharingViolation = 32;            // ERROR_SHARING_VIOLATION
inline constexpr OsError kErrorLockViolation = 33;               // ERROR_LOCK_VIOLATION
inline constexpr OsError kErrorBadNetPath = 53;                  // ERROR_BAD_NETPATH
inline constexpr OsError kErrorBadNetName = 67;                  // ERROR_BAD_NET_NAME
inline constexpr OsError kErrorInvalidParameter = 87;            // ERROR_INVALID_PARAMETER
inline constexpr OsError kErrorOpenFailed = 110;                 // ERROR_OPEN_FAILED
inline constexpr OsError kErrorDiskFull = 112;                   // ERROR_DISK_FULL
inline constexpr OsError kErrorBadPathname = 161;                // ERROR_BAD_PATHNAME
inline constexpr OsError kErrorVirusInfected = 225;              // ERROR_VIRUS_INFECTED
inline constexpr OsError kErrorMoreData = 234;                   // ERROR_MORE_DATA
// The cloud-files filter's answers when a placeholder's data cannot be fetched.
inline constexpr OsError kErrorCloudFileProviderNotRunning = 362;  // _PROVIDER_NOT_RUNNING
inline constexpr OsError kErrorCloudFileNetworkUnavailable = 388;  // _NETWORK_UNAVAILABLE
inline constexpr OsError kErrorCloudFileUnsuccessful = 389;        // _UNSUCCESSFUL
inline constexpr OsError kErrorCloudFileRequestAborted = 393;      // _REQUEST_ABORTED
inline constexpr OsError kErrorCloudFileAccessDenied = 395;        // _ACCESS_DENIED
inline constexpr OsError kErrorCloudFileRequestCanceled = 398;     // _REQUEST_CANCELED
inline constexpr OsError kErrorCloudFileProviderTerminated = 404;  // _PROVIDER_TERMINATED
inline constexpr OsError kErrorRegistryQuotaLimit = 613;         // ERROR_REGISTRY_QUOTA_LIMIT
inline constexpr OsError kErrorRegistryCorrupt = 1015;           // ERROR_REGISTRY_CORRUPT
inline constexpr OsError kErrorRegistryIoFailed = 1016;          // ERROR_REGISTRY_IO_FAILED
inline constexpr OsError kErrorKeyDeleted = 1018;                // ERROR_KEY_DELETED
inline constexpr OsError kErrorNoAssociation = 1155;             // ERROR_NO_ASSOCIATION
inline constexpr OsError kWsaErrorAccess = 10013;                // WSAEACCES

}  // namespace zub
