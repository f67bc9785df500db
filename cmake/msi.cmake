# The Windows installer, zub_launcher-<version>-x64.msi beside the executable, built by the target
# "msi" with wixl from installer/zub_launcher.wxs by installer/build_msi.sh. Sets ZUB_MSI for the
# tests.

set(ZUB_MSI_SOURCE ${CMAKE_SOURCE_DIR}/installer/zub_launcher.wxs)
set(ZUB_MSI_BUILD ${CMAKE_SOURCE_DIR}/installer/build_msi.sh)
set(ZUB_MSI ${CMAKE_BINARY_DIR}/zub_launcher-${PROJECT_VERSION}-x64.msi)
find_program(ZUB_WIXL wixl)
find_program(ZUB_MSIBUILD msibuild)

if(ZUB_WIXL AND ZUB_MSIBUILD)
  add_custom_command(
    OUTPUT ${ZUB_MSI}
    COMMAND ${ZUB_MSI_BUILD} ${PROJECT_VERSION} $<TARGET_FILE_NAME:zub_launcher> ${ZUB_MSI}
    WORKING_DIRECTORY $<TARGET_FILE_DIR:zub_launcher>
    DEPENDS zub_launcher ${ZUB_MSI_SOURCE} ${ZUB_MSI_BUILD}
    COMMENT "Building the installer zub_launcher-${PROJECT_VERSION}-x64.msi"
    VERBATIM)
  add_custom_target(msi DEPENDS ${ZUB_MSI})
else()
  add_custom_target(msi
    COMMAND ${CMAKE_COMMAND} -E echo "wixl or msibuild not found: install the Debian packages wixl and msitools"
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
endif()
