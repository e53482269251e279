# One library per subsystem folder, and a build that refuses an include across the layers.
#
# A folder's headers are found as "<folder>/name.h" only by the folder itself and by the
# folders that declare they use it: each folder is reached through a directory of its own
# under the build tree (layers/<folder>/<folder>, a link to the source folder), and that
# directory is on the include path of the folder's libraries and of what links them. The
# repository root is on no product library's include path, so a file that includes a folder
# it did not declare does not compile.
#
# nimbara_layer(<folder> [USES <folder>...] [RULES <source>...] [WIN32_SOURCES <source>...])
#   nimbara_<folder>_rules  the folder's rules: plain code without windows.h, built on every
#                           host (STATIC with RULES, else INTERFACE); links the rules of the
#                           folders it uses
#   nimbara_<folder>        on Windows targets, the folder's Win32 code (STATIC with
#                           WIN32_SOURCES, else INTERFACE); links its rules and the libraries
#                           of the folders it uses

# Compile settings every Win32 library and everything linking one shares.
if(WIN32 AND NOT TARGET nimbara_win32_settings)
  add_library(nimbara_win32_settings INTERFACE)
  target_compile_definitions(nimbara_win32_settings INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN
                             NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  target_link_libraries(nimbara_win32_settings INTERFACE comctl32 shell32 gdi32 user32 advapi32
                        ole32 uuid)
  if(NOT MSVC)
    # Every function-local static is first reached on the one GUI thread: without the
    # thread-safe guards, the runtime's guard code and the POSIX thread library it
    # needs (winpthread) stay out of the executable. MSVC's guards cost nothing alike.
    target_compile_options(nimbara_win32_settings INTERFACE -fno-threadsafe-statics)
  endif()
endif()

# The directory through which "<folder>/..." is found, made once per build tree. Where the
# host cannot make the link (Windows without the right to make symbolic links), the folder
# is reached through the repository root, and the layers go unchecked on that host.
function(nimbara_layer_root folder out)
  set(root ${CMAKE_BINARY_DIR}/layers/${folder})
  if(NOT IS_DIRECTORY ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} RESULT failed SYMBOLIC)
    if(failed)
      message(WARNING "cannot link ${root}/${folder} (${failed}); includes across layers go unchecked")
      set(root ${CMAKE_SOURCE_DIR})
    endif()
  endif()
  set(${out} ${root} PARENT_SCOPE)
endfunction()

function(nimbara_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /utf-8)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-missing-field-initializers)
  endif()
endfunction()

function(nimbara_layer folder)
  cmake_parse_arguments(arg "" "" "USES;RULES;WIN32_SOURCES" ${ARGN})
  nimbara_layer_root(${folder} root)

  set(rules nimbara_${folder}_rules)
  if(arg_RULES)
    add_library(${rules} STATIC ${arg_RULES})
    target_include_directories(${rules} PUBLIC ${root})
    nimbara_warnings(${rules})
    foreach(used ${arg_USES})
      target_link_libraries(${rules} PUBLIC nimbara_${used}_rules)
    endforeach()
    # PUBLIC, so the unit tests and fuzz targets that link the rules get the same checks.
    if(NIMBARA_SANITIZE AND NOT WIN32)
      target_compile_options(${rules} PUBLIC -fsanitize=address,undefined
                             -fno-sanitize-recover=all -fno-omit-frame-pointer)
      target_link_options(${rules} PUBLIC -fsanitize=address,undefined)
    endif()
    if(NIMBARA_FUZZ AND NOT WIN32 AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
      target_compile_options(${rules} PUBLIC -fsanitize=fuzzer-no-link,address,undefined
                             -fno-sanitize-recover=all -fno-omit-frame-pointer)
      target_link_options(${rules} PUBLIC -fsanitize=address,undefined)
    endif()
  else()
    add_library(${rules} INTERFACE)
    target_include_directories(${rules} INTERFACE ${root})
    foreach(used ${arg_USES})
      target_link_libraries(${rules} INTERFACE nimbara_${used}_rules)
    endforeach()
  endif()

  if(NOT WIN32)
    return()
  endif()
  set(lib nimbara_${folder})
  if(arg_WIN32_SOURCES)
    add_library(${lib} STATIC ${arg_WIN32_SOURCES})
    set(scope PUBLIC)
    nimbara_warnings(${lib})
    if(NOT MSVC)
      target_compile_options(${lib} PRIVATE -ffunction-sections -fdata-sections)
    endif()
  else()
    add_library(${lib} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_link_libraries(${lib} ${scope} ${rules} nimbara_win32_settings)
  foreach(used ${arg_USES})
    target_link_libraries(${lib} ${scope} nimbara_${used})
  endforeach()
endfunction()
