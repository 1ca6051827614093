# Runs inside CPack after the files are staged: compresses the manual pages
# and adds the Debian changelog, both as Debian policy wants them (gzip -9n,
# so that the package is the same from one build to the next).
function(kestrum_gzip file)
  execute_process(COMMAND gzip -9nf "${file}" RESULT_VARIABLE status)
  if(status)
    message(FATAL_ERROR "gzip ${file} failed")
  endif()
endfunction()

file(GLOB_RECURSE staged "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
set(pages ${staged})
list(FILTER pages INCLUDE REGEX "/share/man/man[1-9]/[^/]+\\.[1-9]$")
foreach(page ${pages})
  kestrum_gzip("${page}")
endforeach()

set(copyright ${staged})
list(FILTER copyright INCLUDE REGEX "/share/doc/kestrum/copyright$")
if(NOT copyright)
  message(FATAL_ERROR "no share/doc/kestrum/copyright under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
get_filename_component(docdir "${copyright}" DIRECTORY)
file(COPY_FILE "${CPACK_KESTRUM_CHANGELOG}" "${docdir}/changelog")
kestrum_gzip("${docdir}/changelog")
