# The Debian package zub-launcher_<version>_<arch>.deb in the build folder, built by the target
# "package" (CPack's DEB generator) from packaging/deb/. Sets ZUB_DEB for the tests.
#
#   /usr/lib/zub-launcher/zub_launcher            the launcher
#   /usr/lib/zub-launcher/varnelo.exe             -> zub_launcher: the program the registered
#                                                   command names ("<dir>\varnelo.exe", and the
#                                                   Linux layer reads "\" as a separator)
#   /usr/lib/zub-launcher/package_registration    the maintainer scripts' helper
#   /usr/bin/zub_launcher                         -> ../lib/zub-launcher/zub_launcher
#   /usr/share/applications/zub-launcher.desktop  handler of x-scheme-handler/zubdms
#   /usr/share/icons/hicolor/<size>/apps/zub-launcher.png

set(ZUB_DEB_SOURCE ${CMAKE_SOURCE_DIR}/packaging/deb)
set(ZUB_DEB_STAGE ${CMAKE_BINARY_DIR}/deb)
set(ZUB_DEB_LIBDIR lib/zub-launcher)

# The package's changelog names the version it describes.
file(STRINGS ${ZUB_DEB_SOURCE}/changelog ZUB_DEB_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT ZUB_DEB_CHANGELOG_TOP MATCHES "^zub-launcher \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/deb/changelog: its first entry must be for version ${PROJECT_VERSION}")
endif()

add_executable(package_registration src/package/package_registration.cpp)
target_compile_options(package_registration PRIVATE ${ZUB_WARNINGS})
target_link_libraries(package_registration PRIVATE zub_core)

# Compressed as Debian wants them: gzip -9 without name and time stamp.
configure_file(${ZUB_DEB_SOURCE}/zub_launcher.1.in ${ZUB_DEB_STAGE}/zub_launcher.1 @ONLY)
add_custom_command(
  OUTPUT ${ZUB_DEB_STAGE}/zub_launcher.1.gz ${ZUB_DEB_STAGE}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${ZUB_DEB_SOURCE}/changelog ${ZUB_DEB_STAGE}/changelog
  COMMAND gzip -9nf ${ZUB_DEB_STAGE}/changelog
  COMMAND gzip -9nkf ${ZUB_DEB_STAGE}/zub_launcher.1
  DEPENDS ${ZUB_DEB_SOURCE}/changelog ${ZUB_DEB_STAGE}/zub_launcher.1
  VERBATIM)
add_custom_target(deb_documents ALL DEPENDS ${ZUB_DEB_STAGE}/zub_launcher.1.gz
                                            ${ZUB_DEB_STAGE}/changelog.gz)

file(MAKE_DIRECTORY ${ZUB_DEB_STAGE}/bin)
file(CREATE_LINK ../${ZUB_DEB_LIBDIR}/zub_launcher ${ZUB_DEB_STAGE}/bin/zub_launcher SYMBOLIC)
file(CREATE_LINK zub_launcher ${ZUB_DEB_STAGE}/varnelo.exe SYMBOLIC)

install(TARGETS zub_launcher package_registration DESTINATION ${ZUB_DEB_LIBDIR})
install(FILES ${ZUB_DEB_STAGE}/varnelo.exe DESTINATION ${ZUB_DEB_LIBDIR})
install(FILES ${ZUB_DEB_STAGE}/bin/zub_launcher DESTINATION bin)
install(FILES ${ZUB_DEB_SOURCE}/zub-launcher.desktop DESTINATION share/applications)
foreach(size 48x48 256x256)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/hicolor/${size}/zub-launcher.png
          DESTINATION share/icons/hicolor/${size}/apps)
endforeach()
install(FILES ${ZUB_DEB_STAGE}/zub_launcher.1.gz DESTINATION share/man/man1)
install(FILES ${ZUB_DEB_SOURCE}/copyright ${ZUB_DEB_STAGE}/changelog.gz
        DESTINATION share/doc/zub-launcher)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zub-launcher)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "handler of zubdms: links to Varnelo documents")
# Debian wants the extended description in lines of at most 80 characters.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "zub_launcher opens a zubdms: link of the Varnelo document-management
system: it finds the document inside the base folder that the Nextcloud
client fills, refuses anything outside it or anything that would run, and
opens it with the user's default application. The package makes it the
desktop's handler of zubdms: links and records the installation in the
launcher's configuration under /etc/xdg/zub_launcher.")
set(ZUB_DEB_MAINTAINER "Varnelo <zub-launcher@varnelo.invalid>" CACHE STRING
    "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZUB_DEB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# GIO is loaded with dlopen, which dpkg-shlibdeps cannot see; its content-type check, which
# refuses programs and scripts, needs the shared MIME database.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libglib2.0-0 (>= 2.56), shared-mime-info")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS zenity)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${ZUB_DEB_SOURCE}/postinst ${ZUB_DEB_SOURCE}/prerm ${ZUB_DEB_SOURCE}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

set(ZUB_DEB ${CMAKE_BINARY_DIR}/zub-launcher_${PROJECT_VERSION}_${CPACK_DEBIAN_PACKAGE_ARCHITECTURE}.deb)
