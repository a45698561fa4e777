# Sources of the libraries the build makes for the program itself, fetched
# from Debian's archive into one cache folder and checked against pinned
# SHA-256 sums.
set(QOR_SOURCE_CACHE "${CMAKE_BINARY_DIR}/_sources" CACHE PATH
    "Where the sources of the libraries built for the program are downloaded to (or put by hand)")

# Fetches `file` from the first of the folders in the list `mirrors` that
# has it with the right sum, unless the cache has it already; stops the
# configuration with what to do when none has it. `fallback` names the
# option that uses the system's library instead.
function(qor_fetch_source file sha256 mirrors fallback)
  set(path "${QOR_SOURCE_CACHE}/${file}")
  if(EXISTS "${path}")
    file(SHA256 "${path}" have)
    if(have STREQUAL sha256)
      return()
    endif()
    file(REMOVE "${path}")
  endif()
  file(MAKE_DIRECTORY "${QOR_SOURCE_CACHE}")
  set(tried "")
  foreach(mirror IN LISTS mirrors)
    message(STATUS "Downloading ${mirror}/${file}")
    file(DOWNLOAD "${mirror}/${file}" "${path}.part" STATUS status TIMEOUT 300 INACTIVITY_TIMEOUT 30)
    list(GET status 0 code)
    list(GET status 1 text)
    if(code EQUAL 0)
      file(SHA256 "${path}.part" have)
      if(have STREQUAL sha256)
        file(RENAME "${path}.part" "${path}")
        return()
      endif()
      set(text "SHA-256 ${have}, expected ${sha256}")
    endif()
    string(APPEND tried "\n  ${mirror}/${file}: ${text}")
    file(REMOVE "${path}.part")
  endforeach()
  message(FATAL_ERROR
          "Could not fetch the source ${file}:${tried}\n"
          "Put the file (SHA-256 ${sha256}) into ${QOR_SOURCE_CACHE} "
          "(or point -DQOR_SOURCE_CACHE=DIR at a folder that has it), or configure with "
          "-D${fallback}=OFF to use the system's library.")
endfunction()

# A Debian source package of bookworm: its orig tarball (`orig_suffix` is
# what follows "orig." in its name) and its debian.tar.xz, fetched into the
# cache. Sets `<out>_ORIG` and `<out>_DEBIAN` to their paths and
# `<out>_ORIG_SHA256` to the orig tarball's sum. The release
# stays in the main archive's pool while a suite holds it; the security
# archive has it first.
function(qor_debian_source out package version revision orig_suffix orig_sha256 debian_sha256 fallback)
  string(SUBSTRING "${package}" 0 1 letter)
  set(mirrors
      https://deb.debian.org/debian/pool/main/${letter}/${package}
      https://deb.debian.org/debian-security/pool/updates/main/${letter}/${package}
      https://security.debian.org/debian-security/pool/updates/main/${letter}/${package})
  set(orig ${package}_${version}.orig.${orig_suffix})
  set(debian ${package}_${version}-${revision}.debian.tar.xz)
  qor_fetch_source(${orig} ${orig_sha256} "${mirrors}" ${fallback})
  qor_fetch_source(${debian} ${debian_sha256} "${mirrors}" ${fallback})
  set(${out}_ORIG "${QOR_SOURCE_CACHE}/${orig}" PARENT_SCOPE)
  set(${out}_DEBIAN "${QOR_SOURCE_CACHE}/${debian}" PARENT_SCOPE)
  set(${out}_ORIG_SHA256 ${orig_sha256} PARENT_SCOPE)
endfunction()

# The C compiler as the libraries' own build systems should call it, with
# the launcher (ccache) in front when there is one.
set(QOR_SOURCE_CC "${CMAKE_C_COMPILER}")
if(CMAKE_C_COMPILER_LAUNCHER)
  list(JOIN CMAKE_C_COMPILER_LAUNCHER " " launcher)
  set(QOR_SOURCE_CC "${launcher} ${QOR_SOURCE_CC}")
endif()
cmake_host_system_information(RESULT QOR_SOURCE_JOBS QUERY NUMBER_OF_LOGICAL_CORES)
