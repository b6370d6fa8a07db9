cmake_minimum_required(VERSION 3.25)
# Fails when the page kept in the repository is not the page just built from the same sources.
#   cmake -DPAGE=build-web/flyseat.html -DDIST=dist/flyseat.html -P dist.cmake
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${PAGE}" "${DIST}"
                RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "dist/flyseat.html is not the page that these sources make. Refresh it "
          "with\n  npm ci --prefix web && emcmake cmake -S . -B build-web && "
          "cmake --build build-web --target dist\nand commit it.")
endif()
message(STATUS "dist/flyseat.html is the page that these sources make")
