# Sources of the libraries the build makes for the program itself, fetched
# from Debian's archive into one cache folder and checked against pinned
# SHA-256 sums.
set(QOR_SOURCE_CACHE "${CMAKE_BINARY_DIR}/_sources" CACHE PATH
    "Where the sources of the libraries built for the program are downloaded to (or put by hand)")

# Where the sources come from: Debian's main archive (the release and its
# updates suite) and its security archive, each a list of mirrors, and the
# keyring that signs their indexes. Only the test of this fetch points
# them elsewhere.
set(QOR_DEBIAN_ARCHIVE "https://deb.debian.org/debian" CACHE STRING
    "Mirrors of Debian's main archive the library sources are fetched from (a list)")
set(QOR_DEBIAN_SECURITY_ARCHIVE "https://deb.debian.org/debian-security;https://security.debian.org/debian-security"
    CACHE STRING "Mirrors of Debian's security archive the library sources are fetched from (a list)")
set(QOR_DEBIAN_KEYRING "/usr/share/keyrings/debian-archive-keyring.gpg" CACHE FILEPATH
    "The keyring Debian's archive indexes are checked against")
set(QOR_DEBIAN_RELEASE bookworm)

# Fetches `file` into the cache from the first of the folders in the list
# `mirrors` that has it with the right sum, unless the cache has it
# already. Sets `ok` to TRUE or FALSE and `tried` to what was tried.
function(qor_fetch_source file sha256 mirrors ok tried)
  set(path "${QOR_SOURCE_CACHE}/${file}")
  set(${ok} TRUE PARENT_SCOPE)
  if(EXISTS "${path}")
    file(SHA256 "${path}" have)
    if(have STREQUAL sha256)
      return()
    endif()
    file(REMOVE "${path}")
  endif()
  file(MAKE_DIRECTORY "${QOR_SOURCE_CACHE}")
  set(log "")
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
    string(APPEND log "\n    ${mirror}/${file}: ${text}")
    file(REMOVE "${path}.part")
  endforeach()
  set(${ok} FALSE PARENT_SCOPE)
  set(${tried} "${log}" PARENT_SCOPE)
endfunction()

# Reads the record of a release fetched through the signed indexes for the
# pin `pinned` (see resolve-debian-source.py) into `<out>_VERSION`,
# `<out>_ORIG`, ...; sets `<out>_VERSION` only when the record is of this
# pin and both of its files are in the cache with its sums.
function(qor_read_source_record record pinned out)
  unset(${out}_VERSION PARENT_SCOPE)
  if(NOT EXISTS "${record}")
    return()
  endif()
  file(STRINGS "${record}" lines LIMIT_INPUT 4096 LIMIT_COUNT 16 REGEX "^[a-z_0-9]+=[^;]*$")
  foreach(line IN LISTS lines)
    string(REGEX MATCH "^([a-z_0-9]+)=(.*)$" _ "${line}")
    set(entry_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
  endforeach()
  if(NOT entry_pinned STREQUAL pinned OR NOT entry_version OR NOT entry_orig OR NOT entry_debian)
    return()
  endif()
  foreach(kind orig debian)
    if(entry_${kind} MATCHES "[/\\]" OR NOT EXISTS "${QOR_SOURCE_CACHE}/${entry_${kind}}")
      return()
    endif()
    file(SHA256 "${QOR_SOURCE_CACHE}/${entry_${kind}}" have)
    if(NOT have STREQUAL entry_${kind}_sha256)
      return()
    endif()
  endforeach()
  set(${out}_VERSION "${entry_version}" PARENT_SCOPE)
  set(${out}_SUITE "${entry_suite}" PARENT_SCOPE)
  set(${out}_ORIG "${QOR_SOURCE_CACHE}/${entry_orig}" PARENT_SCOPE)
  set(${out}_DEBIAN "${QOR_SOURCE_CACHE}/${entry_debian}" PARENT_SCOPE)
  set(${out}_ORIG_SHA256 "${entry_orig_sha256}" PARENT_SCOPE)
endfunction()

# A Debian source package of the release: its orig tarball (`orig_suffix`
# is what follows "orig." in its name) and its debian.tar.xz, fetched into
# the cache. Sets `<out>_ORIG` and `<out>_DEBIAN` to their paths and
# `<out>_ORIG_SHA256` to the orig tarball's sum, `<out>_VERSION` to the
# Debian version used. The pinned release and sums come first. Debian
# removes a release from its pool when a point release or a security
# update replaces it; then the newest release of the same upstream series
# (5.1 of 5.1.9) that the release's suites hold now is found through the
# archive's signed indexes and fetched checked against their sums, with a
# warning naming it. `fallback` names the option that uses the system's
# library instead.
function(qor_debian_source out package version revision orig_suffix orig_sha256 debian_sha256 fallback)
  string(SUBSTRING "${package}" 0 1 letter)
  if(package MATCHES "^lib")
    string(SUBSTRING "${package}" 0 4 letter)
  endif()
  set(mirrors "")
  foreach(base IN LISTS QOR_DEBIAN_ARCHIVE)
    list(APPEND mirrors "${base}/pool/main/${letter}/${package}")
  endforeach()
  # The security archive has a security update first.
  foreach(base IN LISTS QOR_DEBIAN_SECURITY_ARCHIVE)
    list(APPEND mirrors "${base}/pool/updates/main/${letter}/${package}")
  endforeach()
  set(orig ${package}_${version}.orig.${orig_suffix})
  set(debian ${package}_${version}-${revision}.debian.tar.xz)
  set(pinned ${version}-${revision})
  set(record "${QOR_SOURCE_CACHE}/${package}-${version}.fallback")

  # The pinned files, unless the pin is gone already and the cache holds
  # the release found for it instead.
  qor_read_source_record("${record}" ${pinned} found)
  if(NOT found_VERSION)
    qor_fetch_source(${orig} ${orig_sha256} "${mirrors}" orig_ok orig_tried)
    set(debian_ok FALSE)
    if(orig_ok)
      qor_fetch_source(${debian} ${debian_sha256} "${mirrors}" debian_ok debian_tried)
    endif()
    if(orig_ok AND debian_ok)
      set(${out}_ORIG "${QOR_SOURCE_CACHE}/${orig}" PARENT_SCOPE)
      set(${out}_DEBIAN "${QOR_SOURCE_CACHE}/${debian}" PARENT_SCOPE)
      set(${out}_ORIG_SHA256 ${orig_sha256} PARENT_SCOPE)
      set(${out}_VERSION ${pinned} PARENT_SCOPE)
      return()
    endif()
    message(STATUS "The pinned ${package} ${pinned} is not in Debian's pool: looking for the release "
                   "${QOR_DEBIAN_RELEASE} holds now in its signed indexes")
    qor_resolve_debian_source(${package} ${version} ${pinned} "${record}" resolved_ok resolve_tried)
    if(resolved_ok)
      qor_read_source_record("${record}" ${pinned} found)
    endif()
  endif()
  if(found_VERSION)
    message(WARNING "${package}: the pinned release ${pinned} has left Debian's archive; building ${package} "
                    "${found_VERSION} instead (of ${found_SUITE}, verified through the archive's signed index). "
                    "Update the pin in cmake/ to this release.")
    foreach(var ORIG DEBIAN ORIG_SHA256 VERSION)
      set(${out}_${var} "${found_${var}}" PARENT_SCOPE)
    endforeach()
    return()
  endif()
  string(REPLACE "\n" "\n    " resolve_tried "\n${resolve_tried}")
  message(FATAL_ERROR
          "Could not fetch the source of ${package} ${pinned}.\n"
          "  The pinned files:${orig_tried}${debian_tried}\n"
          "  The release ${QOR_DEBIAN_RELEASE} holds now, through its signed indexes:${resolve_tried}\n"
          "Put the files ${orig} (SHA-256 ${orig_sha256}) and ${debian} (SHA-256 ${debian_sha256}) "
          "into ${QOR_SOURCE_CACHE} (or point -DQOR_SOURCE_CACHE=DIR at a folder that has them), or configure "
          "with -D${fallback}=OFF to use the system's library.")
endfunction()

# Runs resolve-debian-source.py for the upstream series of `version`
# (5.1 of 5.1.9) over the release's suites; sets `ok` and, when it
# failed, `tried` to its reasons.
function(qor_resolve_debian_source package version pinned record ok tried)
  set(${ok} FALSE PARENT_SCOPE)
  find_program(QOR_PYTHON3 python3)
  if(NOT QOR_PYTHON3)
    set(${tried} "python3 is not installed" PARENT_SCOPE)
    return()
  endif()
  string(REGEX MATCH "^[0-9]+\\.[0-9]+" series "${version}")
  set(release ${QOR_DEBIAN_RELEASE})
  execute_process(
    COMMAND "${QOR_PYTHON3}" "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/resolve-debian-source.py"
            --package ${package} --series ${series} --pinned ${pinned}
            --keyring "${QOR_DEBIAN_KEYRING}" --cache "${QOR_SOURCE_CACHE}" --record "${record}"
            --suite ${release} ${QOR_DEBIAN_ARCHIVE}
            --suite ${release}-updates ${QOR_DEBIAN_ARCHIVE}
            --suite ${release}-security ${QOR_DEBIAN_SECURITY_ARCHIVE}
    RESULT_VARIABLE result ERROR_VARIABLE errors OUTPUT_QUIET)
  if(result EQUAL 0)
    set(${ok} TRUE PARENT_SCOPE)
  else()
    string(STRIP "${errors}" errors)
    set(${tried} "${errors}" PARENT_SCOPE)
  endif()
endfunction()

# The C compiler as the libraries' own build systems should call it, with
# the launcher (ccache) in front when there is one.
set(QOR_SOURCE_CC "${CMAKE_C_COMPILER}")
if(CMAKE_C_COMPILER_LAUNCHER)
  list(JOIN CMAKE_C_COMPILER_LAUNCHER " " launcher)
  set(QOR_SOURCE_CC "${launcher} ${QOR_SOURCE_CC}")
endif()
cmake_host_system_information(RESULT QOR_SOURCE_JOBS QUERY NUMBER_OF_LOGICAL_CORES)
