# How long a test may run before CTest stops it as hung, in seconds, by label.
# A test with several labels gets the longest of theirs; a test program or
# test that needs longer names its own TIMEOUT. A hang then fails in minutes,
# under the test's name, instead of after CTest's 1500 s default.
set(VELKOR_TIMEOUT_unit 15)      # pure computation: seconds at most, sanitizers included
set(VELKOR_TIMEOUT_gl 60)        # a headless context and a few frames
set(VELKOR_TIMEOUT_audio 60)     # a few seconds of real-time sound
set(VELKOR_TIMEOUT_fuzz 120)     # a bounded fuzzing run
set(VELKOR_TIMEOUT_golden 120)   # stored frames rendered again
set(VELKOR_TIMEOUT_process 120)  # the programs run as a user runs them
set(VELKOR_TIMEOUT_windows 300)  # a Windows program under Wine, its start in a fresh prefix included
set(VELKOR_TIMEOUT_web 3600)     # the browser build, compiled and played in Chromium
# The show in real time is about 212 s: whole-show tests get this.
set(VELKOR_TIMEOUT_WHOLE_SHOW 420)

# velkor_timeout_for(OUT label...): the timeout of a test with these labels.
function(velkor_timeout_for out)
  set(seconds 0)
  foreach(label ${ARGN})
    if(DEFINED VELKOR_TIMEOUT_${label} AND VELKOR_TIMEOUT_${label} GREATER seconds)
      set(seconds ${VELKOR_TIMEOUT_${label}})
    endif()
  endforeach()
  if(seconds EQUAL 0)
    message(FATAL_ERROR "tests: no timeout for labels '${ARGN}'; add VELKOR_TIMEOUT_<label> to tests/timeouts.cmake")
  endif()
  set(${out} ${seconds} PARENT_SCOPE)
endfunction()

# velkor_apply_timeouts(): every test added with add_test in the calling
# directory that has no TIMEOUT yet gets the one of its labels. A directory
# that adds tests itself defers a call to it (CMake sets test properties per
# directory):  cmake_language(DEFER CALL velkor_apply_timeouts)
# tests/timeouts/check_timeouts.cmake fails on a test left without one.
function(velkor_apply_timeouts)
  get_directory_property(tests TESTS)
  foreach(test ${tests})
    get_test_property(${test} TIMEOUT timeout)
    if(NOT timeout)
      get_test_property(${test} LABELS labels)
      velkor_timeout_for(timeout ${labels})
      set_tests_properties(${test} PROPERTIES TIMEOUT ${timeout})
    endif()
  endforeach()
endfunction()
