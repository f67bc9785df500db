# The Windows installer, zub_launcher-<version>-x64.msi beside the executable, built by the target
# "msi" with wixl from installer/zub_launcher.wxs. Sets ZUB_MSI for the tests.

set(ZUB_MSI_SOURCE ${CMAKE_SOURCE_DIR}/installer/zub_launcher.wxs)
set(ZUB_MSI ${CMAKE_BINARY_DIR}/zub_launcher-${PROJECT_VERSION}-x64.msi)
find_program(ZUB_WIXL wixl)

if(ZUB_WIXL)
  # wixl finds a File's Source only relative to its working directory.
  add_custom_command(
    OUTPUT ${ZUB_MSI}
    COMMAND ${ZUB_WIXL} -a x64 -D Version=${PROJECT_VERSION}
      -D LauncherExe=$<TARGET_FILE_NAME:zub_launcher> -o ${ZUB_MSI} ${ZUB_MSI_SOURCE}
    WORKING_DIRECTORY $<TARGET_FILE_DIR:zub_launcher>
    DEPENDS zub_launcher ${ZUB_MSI_SOURCE}
    COMMENT "Building the installer zub_launcher-${PROJECT_VERSION}-x64.msi"
    VERBATIM)
  add_custom_target(msi DEPENDS ${ZUB_MSI})
else()
  add_custom_target(msi
    COMMAND ${CMAKE_COMMAND} -E echo "wixl not found: install the Debian package wixl"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
endif()
