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
// The cloud-files filter's errors: every ERROR_CLOUD_FILE_* code, named by the rest of its
// name. Other codes lie between them.
inline constexpr OsError kErrorCloudFileProviderNotRunning = 362;      // _PROVIDER_NOT_RUNNING
inline constexpr OsError kErrorCloudFileMetadataCorrupt = 363;         // _METADATA_CORRUPT
inline constexpr OsError kErrorCloudFileMetadataTooLarge = 364;        // _METADATA_TOO_LARGE
inline constexpr OsError kErrorCloudFilePropertyBlobTooLarge = 365;    // _PROPERTY_BLOB_TOO_LARGE
// _PROPERTY_BLOB_CHECKSUM_MISMATCH
inline constexpr OsError kErrorCloudFilePropertyBlobChecksumMismatch = 366;
inline constexpr OsError kErrorCloudFileTooManyPropertyBlobs = 374;    // _TOO_MANY_PROPERTY_BLOBS
// _PROPERTY_VERSION_NOT_SUPPORTED
inline constexpr OsError kErrorCloudFilePropertyVersionNotSupported = 375;
inline constexpr OsError kErrorCloudFileNotInSync = 377;               // _NOT_IN_SYNC
inline constexpr OsError kErrorCloudFileAlreadyConnected = 378;        // _ALREADY_CONNECTED
inline constexpr OsError kErrorCloudFileNotSupported = 379;            // _NOT_SUPPORTED
inline constexpr OsError kErrorCloudFileInvalidRequest = 380;          // _INVALID_REQUEST
inline constexpr OsError kErrorCloudFileReadOnlyVolume = 381;          // _READ_ONLY_VOLUME
inline constexpr OsError kErrorCloudFileConnectedProviderOnly = 382;   // _CONNECTED_PROVIDER_ONLY
inline constexpr OsError kErrorCloudFileValidationFailed = 383;        // _VALIDATION_FAILED
inline constexpr OsError kErrorCloudFileAuthenticationFailed = 386;    // _AUTHENTICATION_FAILED
inline constexpr OsError kErrorCloudFileInsufficientResources = 387;   // _INSUFFICIENT_RESOURCES
inline constexpr OsError kErrorCloudFileNetworkUnavailable = 388;      // _NETWORK_UNAVAILABLE
inline constexpr OsError kErrorCloudFileUnsuccessful = 389;            // _UNSUCCESSFUL
inline constexpr OsError kErrorCloudFileNotUnderSyncRoot = 390;        // _NOT_UNDER_SYNC_ROOT
inline constexpr OsError kErrorCloudFileInUse = 391;                   // _IN_USE
inline constexpr OsError kErrorCloudFilePinned = 392;                  // _PINNED
inline constexpr OsError kErrorCloudFileRequestAborted = 393;          // _REQUEST_ABORTED
inline constexpr OsError kErrorCloudFilePropertyCorrupt = 394;         // _PROPERTY_CORRUPT
inline constexpr OsError kErrorCloudFileAccessDenied = 395;            // _ACCESS_DENIED
inline constexpr OsError kErrorCloudFileIncompatibleHardlinks = 396;   // _INCOMPATIBLE_HARDLINKS
inline constexpr OsError kErrorCloudFilePropertyLockConflict = 397;    // _PROPERTY_LOCK_CONFLICT
inline constexpr OsError kErrorCloudFileRequestCanceled = 398;         // _REQUEST_CANCELED
inline constexpr OsError kErrorCloudFileProviderTerminated = 404;      // _PROVIDER_TERMINATED
inline constexpr OsError kErrorCloudFileRequestTimeout = 426;          // _REQUEST_TIMEOUT
inline constexpr OsError kErrorCloudFileDehydrationDisallowed = 434;   // _DEHYDRATION_DISALLOWED
inline constexpr OsError kErrorCloudFileUsMessageTimeout = 475;        // _US_MESSAGE_TIMEOUT

inline constexpr OsError kCloudFileErrors[] = {
    kErrorCloudFileProviderNotRunning, kErrorCloudFileMetadataCorrupt,
    kErrorCloudFileMetadataTooLarge, kErrorCloudFilePropertyBlobTooLarge,
    kErrorCloudFilePropertyBlobChecksumMismatch, kErrorCloudFileTooManyPropertyBlobs,
    kErrorCloudFilePropertyVersionNotSupported, kErrorCloudFileNotInSync,
    kErrorCloudFileAlreadyConnected, kErrorCloudFileNotSupported, kErrorCloudFileInvalidRequest,
    kErrorCloudFileReadOnlyVolume, kErrorCloudFileConnectedProviderOnly,
    kErrorCloudFileValidationFailed, kErrorCloudFileAuthenticationFailed,
    kErrorCloudFileInsufficientResources, kErrorCloudFileNetworkUnavailable,
    kErrorCloudFileUnsuccessful, kErrorCloudFileNotUnderSyncRoot, kErrorCloudFileInUse,
    kErrorCloudFilePinned, kErrorCloudFileRequestAborted, kErrorCloudFilePropertyCorrupt,
    kErrorCloudFileAccessDenied, kErrorCloudFileIncompatibleHardlinks,
    kErrorCloudFilePropertyLockConflict, kErrorCloudFileRequestCanceled,
    kErrorCloudFileProviderTerminated, kErrorCloudFileRequestTimeout,
    kErrorCloudFileDehydrationDisallowed, kErrorCloudFileUsMessageTimeout,
};

// Whether the code is one of the ERROR_CLOUD_FILE_* codes.
constexpr bool is_cloud_file_error(OsError code) {
  for (const OsError cloud : kCloudFileErrors) {
    if (code == cloud) return true;
  }
  return false;
}

inline constexpr OsError kErrorRegistryQuotaLimit = 613;         // ERROR_REGISTRY_QUOTA_LIMIT
inline constexpr OsError kErrorRegistryCorrupt = 1015;           // ERROR_REGISTRY_CORRUPT
inline constexpr OsError kErrorRegistryIoFailed = 1016;          // ERROR_REGISTRY_IO_FAILED
inline constexpr OsError kErrorKeyDeleted = 1018;                // ERROR_KEY_DELETED
inline constexpr OsError kErrorNoAssociation = 1155;             // ERROR_NO_ASSOCIATION
inline constexpr OsError kWsaErrorAccess = 10013;                // WSAEACCES

}  // namespace zub
