# The Windows build (cross-built with MinGW-w64, see mingw-w64-x86_64.cmake):
# the engine, the settings and quorlix-cli with their tests, and the window
# when QUORLIX_WINDOWS_QT names a Qt built for Windows (tools/windows_qt.sh).
set(QUORLIX_WINDOWS_QT "" CACHE PATH "Qt 6 built for Windows (tools/windows_qt.sh)")
if(QUORLIX_WINDOWS_QT)
  set(QUORLIX_BUILD_GUI ON CACHE BOOL "" FORCE)
  # Qt's libraries from there, its tools (moc, rcc, lrelease) from Linux.
  list(APPEND CMAKE_FIND_ROOT_PATH ${QUORLIX_WINDOWS_QT})
  list(APPEND CMAKE_PREFIX_PATH ${QUORLIX_WINDOWS_QT})
  set(QT_HOST_PATH /usr)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
else()
  set(QUORLIX_BUILD_GUI OFF CACHE BOOL "" FORCE)
endif()
set(QUORLIX_BUILD_BENCH OFF CACHE BOOL "" FORCE)

# Programs that run without MinGW's DLLs, wherever they are copied.
add_link_options(-static -static-libgcc -static-libstdc++)
# The Windows 10 API.
# The POSIX names the C runtime has as well (gmtime_r, sigset_t).
add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 _POSIX_C_SOURCE=200809L _POSIX)

# Everything lands in one folder, as in the zip: the programs, share/quorlix
# with the shipped settings and share/locale with the catalogues.
set(CMAKE_INSTALL_BINDIR . CACHE STRING "" FORCE)

# CLI11 and SimpleIni are header-only: Debian's headers serve every target.
# Only they are taken from /usr/include, through a folder of their own, so
# that no Linux header is seen by the cross compiler.
set(QUORLIX_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${QUORLIX_HOST_HEADERS})
file(CREATE_LINK /usr/include/CLI ${QUORLIX_HOST_HEADERS}/CLI SYMBOLIC)
file(CREATE_LINK /usr/include/SimpleIni.h ${QUORLIX_HOST_HEADERS}/SimpleIni.h SYMBOLIC)
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${QUORLIX_HOST_HEADERS})
add_library(quorlix_host_headers INTERFACE)
target_include_directories(quorlix_host_headers SYSTEM INTERFACE ${QUORLIX_HOST_HEADERS})

# GoogleTest, built for Windows from Debian's source of it.
if(QUORLIX_BUILD_TESTS)
  set(QUORLIX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's source")
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${QUORLIX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  foreach(library gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${library})
      add_library(GTest::${library} ALIAS ${library})
    endif()
  endforeach()
endif()

# A program's resources: the manifest of windows-utf8.rc, the Quorlix icon
# (Explorer, the taskbar, shortcuts, "Open with") and the version Explorer
# shows under Properties > Details.
function(quorlix_windows_resources target description)
  set(QUORLIX_RC_NAME ${target})
  set(QUORLIX_RC_DESCRIPTION "${description}")
  set(QUORLIX_RC_ICON ${PROJECT_SOURCE_DIR}/data/icons/quorlix.ico)
  set(QUORLIX_RC_MANIFEST ${PROJECT_SOURCE_DIR}/cmake/windows-utf8.manifest)
  foreach(part MAJOR MINOR PATCH TWEAK)
    set(QUORLIX_RC_${part} ${PROJECT_VERSION_${part}})
    if(NOT QUORLIX_RC_${part})
      set(QUORLIX_RC_${part} 0)
    endif()
  endforeach()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows-program.rc.in
    ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc APPEND PROPERTY OBJECT_DEPENDS
    ${QUORLIX_RC_ICON} ${QUORLIX_RC_MANIFEST})
endfunction()
