# Third-party pieces, all from Debian's packages (scripts/install-deps.sh installs them).
find_package(Threads REQUIRED)

if(WIN32)
  # Boost's smart pointers are header-only. The cross build sees an include folder that holds
  # only boost/, never all of /usr/include, whose glibc headers would shadow mingw's.
  set(CW32_BOOST_ROOT ${CMAKE_BINARY_DIR}/boost-include)
  if(NOT EXISTS ${CW32_BOOST_ROOT}/boost)
    file(MAKE_DIRECTORY ${CW32_BOOST_ROOT})
    file(CREATE_LINK /usr/include/boost ${CW32_BOOST_ROOT}/boost SYMBOLIC)
  endif()
  add_library(cw32_boost INTERFACE)
  target_include_directories(cw32_boost SYSTEM INTERFACE $<BUILD_INTERFACE:${CW32_BOOST_ROOT}>)
else()
  find_package(Boost 1.74 REQUIRED)
  add_library(cw32_boost INTERFACE)
  target_link_libraries(cw32_boost INTERFACE Boost::headers)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
  pkg_check_modules(NETTLE REQUIRED IMPORTED_TARGET nettle)
endif()
