# cmake -DSOURCE=<file> -DTARGET=<file> -P copy_if_missing.cmake
# Puts the shipped settings beside the program once; a rebuild never
# replaces the settings the user has saved there since.
if(NOT EXISTS "${TARGET}")
  file(COPY_FILE "${SOURCE}" "${TARGET}")
endif()
