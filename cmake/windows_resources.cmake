# The resources of zub_launcher.exe: version information, icon, manifest and the message table
# of its event source. Sets ZUB_RESOURCE_FILES for the executable.

set(ZUB_RESOURCE_DIR ${CMAKE_SOURCE_DIR}/resources)
set(ZUB_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
# Debian's interpreter: the one on the PATH may not be.
set(ZUB_PYTHON /usr/bin/python3)

# The message table is built from the same level table that the event-log backend compiles in.
set(ZUB_LEVEL_TABLE ${CMAKE_SOURCE_DIR}/src/logging/event_levels.def)
set(ZUB_MESSAGE_TABLE_GENERATOR ${CMAKE_SOURCE_DIR}/tools/gen_message_table.py)
set(ZUB_MESSAGE_TABLE ${ZUB_GENERATED_DIR}/message_table.bin)
add_custom_command(
  OUTPUT ${ZUB_MESSAGE_TABLE}
  COMMAND ${ZUB_PYTHON} ${ZUB_MESSAGE_TABLE_GENERATOR} ${ZUB_LEVEL_TABLE} ${ZUB_MESSAGE_TABLE}
  DEPENDS ${ZUB_MESSAGE_TABLE_GENERATOR} ${ZUB_LEVEL_TABLE}
  COMMENT "Generating the event message table"
  VERBATIM)

set(ZUB_RESOURCE_FILES ${ZUB_RESOURCE_DIR}/zub_launcher.rc)
# CMake does not see what the .rc pulls in; the generated table is built through this as well.
set_source_files_properties(${ZUB_RESOURCE_DIR}/zub_launcher.rc PROPERTIES
  OBJECT_DEPENDS "${ZUB_MESSAGE_TABLE};${ZUB_GENERATED_DIR}/version.h;${ZUB_RESOURCE_DIR}/zub_launcher.ico;${ZUB_RESOURCE_DIR}/zub_launcher.manifest"
  INCLUDE_DIRECTORIES "${ZUB_GENERATED_DIR};${ZUB_RESOURCE_DIR}")
