# Embeds the files named by a resource script into a target.
# Script lines: <name> <TYPE> <file relative to the script>; '#' starts a comment.
# The generated source pulls the bytes in with .incbin and registers a table at start-up.
function(skylume_embed_resources target script)
  get_filename_component(script_dir ${script} DIRECTORY)
  file(STRINGS ${script} lines)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${script})
  set(asm "")
  set(rows "")
  set(deps "")
  set(index 0)
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^#")
      continue()
    endif()
    separate_arguments(fields UNIX_COMMAND "${line}")
    list(LENGTH fields count)
    if(NOT count EQUAL 3)
      message(FATAL_ERROR "${script}: expected 'name TYPE file' in: ${line}")
    endif()
    list(GET fields 0 res_name)
    list(GET fields 1 res_type)
    list(GET fields 2 res_file)
    set(path ${script_dir}/${res_file})
    if(NOT EXISTS ${path})
      message(FATAL_ERROR "${script}: missing resource file ${path}")
    endif()
    if(path MATCHES "[\"\\\\]")
      message(FATAL_ERROR "${script}: resource path must not hold quotes or backslashes: ${path}")
    endif()
    set(sym "skylume_${target}_res_${index}")
    string(APPEND asm "  \".balign 16\\n${sym}: .incbin \\\"${path}\\\"\\n${sym}_end: .byte 0\\n\"\n")
    string(APPEND rows "extern \"C\" const unsigned char ${sym}[], ${sym}_end[];\n")
    list(APPEND entries "    {\"${res_name}\", \"${res_type}\", ${sym}, ${sym}_end},\n")
    list(APPEND deps ${path})
    math(EXPR index "${index} + 1")
  endforeach()
  string(JOIN "" table ${entries})
  if(index EQUAL 0)
    set(table "    {nullptr, nullptr, nullptr, nullptr},\n")
  endif()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp)
  file(CONFIGURE OUTPUT ${out} CONTENT "// Generated from ${script}; do not edit.
#include \"platform/win_resources.h\"

__asm__(\".section .rodata\\n\"
@asm@  \".previous\\n\");

@rows@
namespace {
const EmbeddedResource kResources[] = {
@table@};
[[maybe_unused]] const bool kRegistered = RegisterEmbeddedResources(kResources, @index@);
}
" @ONLY)
  target_sources(${target} PRIVATE ${out})
  set_source_files_properties(${out} PROPERTIES OBJECT_DEPENDS "${deps}")
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE skylume_platform)
endfunction()
