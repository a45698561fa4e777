# libcurl as the program uses it: target qor::curl.
#
# The program speaks only HTTP and HTTPS through libcurl (the stream
# download and the requests of support/). Debian's libcurl4 links LDAP,
# RTMP, SSH, Kerberos, HTTP/2, brotli, zstd and the public suffix list, and
# through librtmp and libldap all of GnuTLS with nettle, GMP and p11-kit:
# about 25 libraries and 3.5 MB resident in a playing player that has
# OpenSSL mapped anyway. By default the build makes a static libcurl of the
# same release from Debian's own source (the orig tarball and the patch
# series of Debian's OpenSSL flavour, checked against pinned SHA-256 sums)
# with HTTP and HTTPS through OpenSSL, zlib, IDN and the threaded resolver,
# and Debian's certificate locations. -DQOR_OWN_CURL=OFF uses the system's
# libcurl (libcurl4-openssl-dev) instead.
option(QOR_OWN_CURL "Build libcurl for this program from Debian's source instead of using the system's" ON)

if(NOT QOR_OWN_CURL)
  pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)
  add_library(qor::curl ALIAS PkgConfig::CURL)
  return()
endif()

include(ExternalProject)
include(${CMAKE_CURRENT_LIST_DIR}/QorSources.cmake)

qor_debian_source(QOR_CURL_SOURCE curl 7.88.1 10+deb12u15 tar.gz
                  cdb38b72e36bc5d33d5b8810f8018ece1baa29a8f215b4495e495ded82bbf3c7
                  961b78bc48492c5693e4decb352ddd176f343260a8956f48b2887874048ef23b QOR_OWN_CURL)
pkg_check_modules(SSL REQUIRED IMPORTED_TARGET libssl)
pkg_check_modules(IDN2 REQUIRED IMPORTED_TARGET libidn2)

set(prefix "${CMAKE_BINARY_DIR}/curl")
set(launcher "")
if(CMAKE_C_COMPILER_LAUNCHER)
  set(launcher "-DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}")
endif()
ExternalProject_Add(qor_curl_build
  URL "${QOR_CURL_SOURCE_ORIG}"
  URL_HASH SHA256=${QOR_CURL_SOURCE_ORIG_SHA256}
  DOWNLOAD_EXTRACT_TIMESTAMP OFF
  PREFIX "${CMAKE_BINARY_DIR}/curl-build"
  INSTALL_DIR "${prefix}"
  # Debian's last two patches make its GnuTLS and NSS flavours.
  PATCH_COMMAND sh "${CMAKE_CURRENT_LIST_DIR}/apply-debian-patches.sh" "${QOR_CURL_SOURCE_DEBIAN}"
    90_gnutls.patch 99_nss.patch
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER} ${launcher}
    -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR> -DCMAKE_INSTALL_LIBDIR=lib
    -DBUILD_SHARED_LIBS=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=ON -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF
    -DENABLE_MANUAL=OFF -DHTTP_ONLY=ON -DENABLE_THREADED_RESOLVER=ON
    -DCURL_USE_OPENSSL=ON -DCURL_ZLIB=ON -DUSE_LIBIDN2=ON
    -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DCURL_USE_LIBPSL=OFF -DCURL_USE_LIBSSH2=OFF
    -DCURL_USE_GSSAPI=OFF -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON
    -DCURL_CA_BUNDLE=/etc/ssl/certs/ca-certificates.crt -DCURL_CA_PATH=/etc/ssl/certs
  BUILD_COMMAND ${CMAKE_COMMAND} --build . -j ${QOR_SOURCE_JOBS}
  BUILD_BYPRODUCTS "${prefix}/lib/libcurl.a"
  LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)

file(MAKE_DIRECTORY "${prefix}/include")
add_library(qor_curl_static STATIC IMPORTED)
set_target_properties(qor_curl_static PROPERTIES IMPORTED_LOCATION "${prefix}/lib/libcurl.a")
add_dependencies(qor_curl_static qor_curl_build)
target_link_libraries(qor_curl_static INTERFACE PkgConfig::SSL PkgConfig::CRYPTO PkgConfig::ZLIB PkgConfig::IDN2
                      Threads::Threads)
add_library(qor_curl INTERFACE)
target_include_directories(qor_curl SYSTEM INTERFACE "${prefix}/include")
target_link_libraries(qor_curl INTERFACE qor_curl_static)
add_library(qor::curl ALIAS qor_curl)
