# Where an installed program lays out its files (GNU install folders):
#   bin/                      archivator, ornzip, orneval
#   libexec/archivator/       the two compression libraries, the self-extractor stub
#   share/archivator/         the language dictionary and the user guide (help/)
# The programs find the two private folders relative to their own, so the
# paths written into them are relative to the bin folder. The libraries are
# loaded with dlopen by path and are no business of the dynamic linker, so
# they sit outside lib/ (a package needs no ldconfig run for them).
include(GNUInstallDirs)

set(ORN_INSTALL_LIBRARY_DIR "${CMAKE_INSTALL_LIBEXECDIR}/archivator")
set(ORN_INSTALL_DATA_DIR "${CMAKE_INSTALL_DATADIR}/archivator")

function(orn_path_from_bin out dir)
  if(IS_ABSOLUTE "${dir}")
    set(${out} "${dir}" PARENT_SCOPE)
  else()
    file(RELATIVE_PATH rel "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${dir}")
    set(${out} "${rel}" PARENT_SCOPE)
  endif()
endfunction()

orn_path_from_bin(ORN_LIBRARY_DIR_FROM_BIN "${ORN_INSTALL_LIBRARY_DIR}")
orn_path_from_bin(ORN_DATA_DIR_FROM_BIN "${ORN_INSTALL_DATA_DIR}")

# orn_install_private(TARGET...): installs shared libraries and programs that
# only the archiver loads (the compression libraries, the self-extractor stub)
# into the private library folder.
function(orn_install_private)
  install(TARGETS ${ARGN} LIBRARY DESTINATION ${ORN_INSTALL_LIBRARY_DIR} RUNTIME DESTINATION ${ORN_INSTALL_LIBRARY_DIR})
endfunction()
