# Checked builds, each in a build folder of its own (scripts/test
# --sanitize=address|thread, scripts/fuzz):
#
#   TAVLO_SANITIZE_ADDRESS  everything with AddressSanitizer and
#                           UndefinedBehaviorSanitizer; undefined behaviour
#                           aborts like a memory error, so a test fails on it
#   TAVLO_SANITIZE_THREAD   everything with ThreadSanitizer
#   TAVLO_FUZZ              the libFuzzer targets of tests/fuzz (clang only),
#                           with the code they reach instrumented for coverage,
#                           AddressSanitizer and UndefinedBehaviorSanitizer
#
# Debian's Qt is not instrumented: races and overflows inside Qt itself are
# out of sight, and ThreadSanitizer cannot see QMutex's futex locking (see
# tests/sanitizers/tsan.supp).
option(TAVLO_SANITIZE_ADDRESS "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(TAVLO_SANITIZE_THREAD "Build with ThreadSanitizer" OFF)
option(TAVLO_FUZZ "Build the libFuzzer targets (clang)" OFF)

set(_tavlo_checks 0)
foreach(check TAVLO_SANITIZE_ADDRESS TAVLO_SANITIZE_THREAD TAVLO_FUZZ)
  if(${check})
    math(EXPR _tavlo_checks "${_tavlo_checks} + 1")
  endif()
endforeach()
if(_tavlo_checks GREATER 1)
  message(FATAL_ERROR "TAVLO_SANITIZE_ADDRESS, TAVLO_SANITIZE_THREAD and TAVLO_FUZZ exclude each other")
endif()

set(_tavlo_memory_checks -fsanitize=address,undefined -fno-sanitize-recover=undefined)
if(TAVLO_SANITIZE_ADDRESS)
  add_compile_options(${_tavlo_memory_checks} -fno-omit-frame-pointer)
  add_link_options(${_tavlo_memory_checks})
elseif(TAVLO_SANITIZE_THREAD)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(TAVLO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TAVLO_FUZZ needs clang (CXX=clang++ cmake ...)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link ${_tavlo_memory_checks} -fno-omit-frame-pointer)
  add_link_options(${_tavlo_memory_checks})
endif()
