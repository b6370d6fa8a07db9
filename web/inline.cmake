cmake_minimum_required(VERSION 3.25)  # script mode: no ${} or @@ expansion inside the strings
# Makes the one-file page: each /*INLINE:NAME*/ marker of the template replaced by a file as it
# is. string(REPLACE) leaves the JavaScript untouched, where configure_file would expand it.
#   cmake -DTEMPLATE= -DSTYLE= -DGLUE= -DMODULE= -DOUT= -P inline.cmake
set(parts STYLE GLUE MODULE)
foreach(name TEMPLATE OUT ${parts})
  if(NOT DEFINED ${name})
    message(FATAL_ERROR "inline.cmake: -D${name}= is missing")
  endif()
endforeach()

file(READ "${TEMPLATE}" page)
foreach(name ${parts})
  file(READ "${${name}}" text)
  # Either would end the element it is inlined into, and the rest would show as text.
  string(TOLOWER "${text}" lower)
  foreach(end "</script" "</style")
    string(FIND "${lower}" "${end}" at)
    if(NOT at EQUAL -1)
      message(FATAL_ERROR "inline.cmake: ${${name}} holds ${end}, which would end it early")
    endif()
  endforeach()
  string(FIND "${page}" "/*INLINE:${name}*/" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "inline.cmake: ${TEMPLATE} has no marker /*INLINE:${name}*/")
  endif()
  string(REPLACE "/*INLINE:${name}*/" "${text}" page "${page}")
endforeach()

# Written whole, then renamed: a failed run never leaves a page cut short.
file(WRITE "${OUT}.tmp" "${page}")
file(RENAME "${OUT}.tmp" "${OUT}")
