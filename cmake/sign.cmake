# Authenticode signatures (SHA-256) on zub_launcher.exe and the MSI, made with osslsigncode by
# tools/sign.py, when ZUB_SIGN_PKCS12 names the PKCS#12 file of a code-signing certificate. Its
# password is read from the environment variable ZUB_SIGN_PASSWORD while the build runs. Without
# ZUB_SIGN_PKCS12 the build is the unsigned one. Include after cmake/msi.cmake.

set(ZUB_SIGN_PKCS12 "" CACHE FILEPATH
  "PKCS#12 file (certificate and key) to sign the executable and the MSI with; empty: unsigned")
set(ZUB_SIGN_TIMESTAMP_URL "" CACHE STRING
  "RFC 3161 timestamp server for the signatures (optional)")

if(NOT ZUB_SIGN_PKCS12)
  return()
endif()
if(NOT EXISTS ${ZUB_SIGN_PKCS12})
  message(FATAL_ERROR "ZUB_SIGN_PKCS12: no such file: ${ZUB_SIGN_PKCS12}")
endif()
find_program(ZUB_OSSLSIGNCODE osslsigncode)
if(NOT ZUB_OSSLSIGNCODE)
  message(FATAL_ERROR "ZUB_SIGN_PKCS12 is set but osslsigncode is missing: install the Debian package osslsigncode")
endif()

set(ZUB_SIGN_COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tools/sign.py --pkcs12 ${ZUB_SIGN_PKCS12})
if(ZUB_SIGN_TIMESTAMP_URL)
  list(APPEND ZUB_SIGN_COMMAND --timestamp-url ${ZUB_SIGN_TIMESTAMP_URL})
endif()

# The executable is signed where it is linked, so that the tests and the MSI take the signed
# file; a failed signing removes it, so the next build links and signs again.
add_custom_command(TARGET zub_launcher POST_BUILD
  COMMAND ${ZUB_SIGN_COMMAND} $<TARGET_FILE:zub_launcher> $<TARGET_FILE:zub_launcher>
  COMMENT "Signing zub_launcher.exe"
  VERBATIM)
# Another certificate signs anew.
set_property(TARGET zub_launcher APPEND PROPERTY LINK_DEPENDS ${ZUB_SIGN_PKCS12})

# Then the MSI, which wixl has built around the signed executable.
if(ZUB_WIXL AND ZUB_MSIBUILD)
  add_custom_command(OUTPUT ${ZUB_MSI} APPEND
    COMMAND ${ZUB_SIGN_COMMAND} ${ZUB_MSI} ${ZUB_MSI}
    DEPENDS ${ZUB_SIGN_PKCS12})
endif()
