# The hardening Debian builds its packages with (dpkg-buildflags with hardening=+all), for every
# optimised build: fortified libc calls, stack protector, format checks, read-only relocations
# bound at start-up, position-independent executables. Debug builds keep -O0, where fortify
# cannot work. -ffile-prefix-map keeps the source and build folders out of the binaries.
option(ZELMORIN_HARDEN "Build optimised builds with the distribution's hardening flags" ON)

if(ZELMORIN_HARDEN AND NOT ZELMORIN_SANITIZE AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
  include(CheckPIESupported)
  check_pie_supported(LANGUAGES CXX)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  add_compile_options(
    -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2
    -fstack-protector-strong
    -Wformat -Werror=format-security
    -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
    -ffile-prefix-map=${PROJECT_BINARY_DIR}=.)
  add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
