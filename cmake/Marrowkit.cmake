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
function(marrowkit_program_code target)
  target_compile_options(${target} PRIVATE -fexec-charset=CP932 ${MARROWKIT_WARNINGS})
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
  qt_add_resources(${target} ${target}_drawn_pictures PREFIX ${prefix} BASE ${folder} FILES ${pictures})
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
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;MARROWKIT_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
    TIMEOUT 60)
endfunction()

# marrowkit_bench(NAME SOURCES ... LIBS ...)
function(marrowkit_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  target_link_libraries(${name} PRIVATE ${B_LIBS} marrowkit_test_support benchmark::benchmark)
  marrowkit_program_code(${name})
endfunction()
