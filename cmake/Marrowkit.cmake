# Shared build rules. Each folder is one library.

# Adds every immediate subfolder of the current source folder that has a
# CMakeLists.txt, in name order.
function(marrowkit_add_subfolders)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child}
       AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# Warnings stop the build only where the project's own checks ask for it
# (scripts/test and CI): a packager's compiler may warn where ours does not.
option(MARROWKIT_WERROR "Treat the compiler's warnings as errors" OFF)
set(MARROWKIT_WARNINGS -Wall -Wextra -Wno-unused-parameter)
if(MARROWKIT_WERROR)
  list(APPEND MARROWKIT_WARNINGS -Werror)
endif()

# A second build runs every suite under AddressSanitizer and UBSan.
option(MARROWKIT_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(MARROWKIT_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# The programs' own code holds Shift-JIS: its string literals are compiled to
# code page 932 bytes. platform/ is compiled without this and converts at its edges.
# Only a compiler that can do so builds the programs: GCC 12 or later (clang
# takes no execution character set but UTF-8).
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_FLAGS -fexec-charset=CP932)
check_cxx_source_compiles([=[
  static_assert(sizeof("受") == 3 && static_cast<unsigned char>("受"[0]) == 0x8E
                && static_cast<unsigned char>("受"[1]) == 0xF3);
  int main() {}
]=] MARROWKIT_COMPILER_TAKES_CP932)
unset(CMAKE_REQUIRED_FLAGS)
if(NOT MARROWKIT_COMPILER_TAKES_CP932)
  message(FATAL_ERROR
    "${CMAKE_CXX_COMPILER_ID} ${CMAKE_CXX_COMPILER_VERSION} (${CMAKE_CXX_COMPILER}) cannot compile "
    "string literals to Shift-JIS (-fexec-charset=CP932), which the programs' code needs. "
    "Build with GCC 12 or later: remove the build folder and configure again with "
    "-DCMAKE_CXX_COMPILER=g++ (or CXX=g++).")
endif()

function(marrowkit_program_code target)
  target_compile_options(${target} PRIVATE -fexec-charset=CP932 ${MARROWKIT_WARNINGS})
endfunction()

# marrowkit_pictures(TARGET PREFIX FOLDER PICTURES...)
# Pictures in FOLDER compiled into TARGET as Qt resources under PREFIX. They
# live in an object library of their own, TARGET_pictures, since a target
# that holds Qt resources is given Qt's include path, which program code must
# not have. Its objects go to every program linking TARGET as they are: in a
# static library the linker would drop the resources' unreferenced initialiser.
function(marrowkit_pictures target prefix folder)
  add_library(${target}_pictures OBJECT)
  qt_add_resources(${target}_pictures ${target}_pictures PREFIX ${prefix} BASE ${folder} FILES ${ARGN})
  target_link_libraries(${target} INTERFACE $<TARGET_OBJECTS:${target}_pictures>)
endfunction()

# marrowkit_drawn_pictures(TARGET TOOL PREFIX FOLDER PICTURES...)
# Pictures that TOOL draws at build time into FOLDER (its one argument),
# compiled into TARGET as resources under PREFIX, so that no binary picture
# lives in the source tree.
function(marrowkit_drawn_pictures target tool prefix folder)
  set(pictures ${ARGN})
  add_custom_command(OUTPUT ${pictures}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${tool} ${folder}
    DEPENDS ${tool}
    COMMENT "Drawing the pictures of ${target}")
  set_source_files_properties(${pictures} PROPERTIES GENERATED TRUE)
  marrowkit_pictures(${target} ${prefix} ${folder} ${pictures})
endfunction()

# marrowkit_library_headers(TARGET): the one include folder TARGET shows to
# itself and to what links it, holding its own headers (the .h files among its
# sources, also those added later in the same folder) and nothing else, each
# linked at its path in the source tree. A library thus sees the headers of
# what it links and no others, so an include the layer rules forbid fails to
# compile as well as failing scripts/check-layers.
function(marrowkit_library_headers target)
  set(tree ${CMAKE_BINARY_DIR}/headers/${target})
  target_include_directories(${target} PUBLIC ${tree})
  # A deferred call reads its arguments when it runs: they are written in now.
  cmake_language(EVAL CODE "cmake_language(DEFER CALL marrowkit_link_headers [[${target}]] [[${tree}]])")
endfunction()

function(marrowkit_link_headers target tree)
  file(REMOVE_RECURSE ${tree})
  get_target_property(sources ${target} SOURCES)
  foreach(source IN LISTS sources)
    if(source MATCHES "\\.h$")
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE OUTPUT_VARIABLE header)
      cmake_path(RELATIVE_PATH header BASE_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE relative)
      cmake_path(GET relative PARENT_PATH folder)
      file(MAKE_DIRECTORY ${tree}/${folder})
      file(CREATE_LINK ${header} ${tree}/${relative} SYMBOLIC)
    endif()
  endforeach()
endfunction()

function(marrowkit_platform_code target)
  target_compile_options(${target} PRIVATE ${MARROWKIT_WARNINGS})
endfunction()

# marrowkit_test(NAME SOURCES ... LIBS ... [PLATFORM])
# One GoogleTest binary run by CTest under the offscreen Qt platform. Test
# sources are program code (Shift-JIS literals) unless PLATFORM is given.
function(marrowkit_test name)
  cmake_parse_arguments(T "PLATFORM" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_LIBS} marrowkit_test_support GTest::gtest GTest::gmock)
  if(T_PLATFORM)
    marrowkit_platform_code(${name})
  else()
    marrowkit_program_code(${name})
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;MARROWKIT_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  marrowkit_test_time_limit(${name} 60)
endfunction()

# marrowkit_test_time_limit(NAME SECONDS): how long suite NAME may take in
# the plain build. The sanitized Debug build runs the suites four to six
# times slower, so its limits are five times as long.
function(marrowkit_test_time_limit name seconds)
  if(MARROWKIT_SANITIZE)
    math(EXPR seconds "${seconds} * 5")
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${seconds})
endfunction()

# marrowkit_bench(NAME SOURCES ... LIBS ...)
function(marrowkit_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  target_link_libraries(${name} PRIVATE ${B_LIBS} marrowkit_test_support benchmark::benchmark)
  marrowkit_program_code(${name})
endfunction()
