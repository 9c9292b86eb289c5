# Every target of the project warns alike. Warnings are errors only where we build and test
# (scripts/test, scripts/sanitize, scripts/fuzz turn TAMBORO_WERROR on), so that a packager or
# a user with a newer compiler is not stopped by a warning that compiler has learnt since.
option(TAMBORO_WERROR "Treat compiler warnings as errors" OFF)

function(tamboro_warnings target)
  set(werror "")
  if(TAMBORO_WERROR)
    set(werror -Werror)
  endif()
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic ${werror}
    -Wno-missing-field-initializers)
endfunction()
