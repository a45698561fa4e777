# cmake -DQOR_SOURCE_CACHE=DIR -DQOR_DEBIAN_ARCHIVE=URL -DQOR_DEBIAN_SECURITY_ARCHIVE=URL
#       -DQOR_DEBIAN_KEYRING=FILE -DPACKAGE=NAME -DVERSION=5.1.9 -DREVISION=0+deb12u1
#       -DORIG_SHA256=... -DDEBIAN_SHA256=... -DRESULT=FILE -P fetch-source.cmake
# Fetches one source package as the build does and writes what it got to
# RESULT (key=value lines).
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/QorSources.cmake)
qor_debian_source(SOURCE ${PACKAGE} ${VERSION} ${REVISION} tar.xz ${ORIG_SHA256} ${DEBIAN_SHA256} QOR_OWN_TEST)
file(WRITE "${RESULT}" "version=${SOURCE_VERSION}\norig=${SOURCE_ORIG}\norig_sha256=${SOURCE_ORIG_SHA256}\n"
                       "debian=${SOURCE_DEBIAN}\n")
