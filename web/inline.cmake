cmake_minimum_required(VERSION 3.25)  # script mode: no ${} or @@ expansion inside the strings
# Makes the one-file page: each /*INLINE:NAME*/ marker of the template replaced by a file as it
# is, or by a value. string(REPLACE) leaves the JavaScript untouched, where configure_file would
# expand it. Nothing of the build folder, the machine or the time goes in.
#   cmake -DTEMPLATE= -DSTYLE= -DGLUE= -DWORKER= -DMODULE= -DZIP= -DZIP_LICENCE= -DVERSION=
#         -DOUT= -P inline.cmake
set(parts STYLE GLUE WORKER MODULE ZIP ZIP_LICENCE)
set(values VERSION)
foreach(name TEMPLATE OUT ${parts} ${values})
  if(NOT DEFINED ${name})
    message(FATAL_ERROR "inline.cmake: -D${name}= is missing")
  endif()
endforeach()

file(READ "${TEMPLATE}" page)
function(inline name text)
  string(FIND "${page}" "/*INLINE:${name}*/" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "inline.cmake: ${TEMPLATE} has no marker /*INLINE:${name}*/")
  endif()
  string(REPLACE "/*INLINE:${name}*/" "${text}" page "${page}")
  set(page "${page}" PARENT_SCOPE)
endfunction()

# The values first: a file inlined after them keeps any marker it holds as it is.
foreach(name ${values})
  inline(${name} "${${name}}")
endforeach()
foreach(name ${parts})
  file(READ "${${name}}" text)
  if(name STREQUAL "MODULE")
    # The module's WebAssembly, which emscripten writes into its glue as base64, goes into an
    # element of its own: the page compiles it while the worker starts. The glue keeps an empty
    # data: URL in its place.
    set(prefix "wasmBinaryFile=\"data:application/octet-stream;base64,")
    string(FIND "${text}" "${prefix}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "inline.cmake: ${MODULE} holds no ${prefix}")
    endif()
    string(LENGTH "${prefix}" length)
    math(EXPR at "${at} + ${length}")
    string(SUBSTRING "${text}" ${at} -1 rest)
    string(FIND "${rest}" "\"" length)
    string(SUBSTRING "${rest}" 0 ${length} wasm)
    string(SUBSTRING "${rest}" ${length} -1 rest)
    string(SUBSTRING "${text}" 0 ${at} text)
    set(text "${text}${rest}")
    inline(WASM "${wasm}")
  endif()
  # Either would end the element the text goes into, and the rest would show as text; the
  # licence goes into a comment, which --> would end.
  set(ends "</script" "</style")
  if(name STREQUAL "ZIP_LICENCE")
    set(ends "-->")
  endif()
  string(TOLOWER "${text}" lower)
  foreach(end ${ends})
    string(FIND "${lower}" "${end}" at)
    if(NOT at EQUAL -1)
      message(FATAL_ERROR "inline.cmake: ${${name}} holds ${end}, which would end it early")
    endif()
  endforeach()
  inline(${name} "${text}")
endforeach()

# A porter downloads and opens it whole: past 1 MiB it would not open in the time the page is
# measured for (docs/web.md), so it is not made.
string(LENGTH "${page}" size)
if(size GREATER 1048576)
  message(FATAL_ERROR "inline.cmake: the page would be ${size} bytes, more than 1 MiB")
endif()

# A run that fails half-way leaves no page that the build takes for made: make removes the output
# of a command that failed, and ninja runs such a command again.
file(WRITE "${OUT}" "${page}")
