# cmake -DPROGRAM=<test program> -P RunShuffled.cmake: runs the program whole, three times over,
# each time in another order. The seed is chosen here and printed before and after, so that a
# failing order can be replayed with the command printed (gtest moves the seed on by one for
# each repetition).
string(RANDOM LENGTH 5 ALPHABET 0123456789 seed)
math(EXPR seed "${seed} % 99999 + 1")
set(command "${PROGRAM}" --gtest_repeat=3 --gtest_shuffle --gtest_random_seed=${seed})
list(JOIN command " " shown)
message(STATUS "shuffle seed ${seed}: ${shown}")
execute_process(COMMAND ${command} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "failed (${result}) with shuffle seed ${seed}; replay with: ${shown}")
endif()
