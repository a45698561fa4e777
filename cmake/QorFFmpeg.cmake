# FFmpeg's four libraries as the program uses them: target qor::ffmpeg.
#
# Debian's libavcodec and libavformat link every codec, image and network
# library they were built with (x264, x265, aom, dav1d, librsvg, libzmq,
# libssh, libbluray, ...): about 60 libraries and 14 MB resident in a
# playing player that decodes one audio stream. By default the build makes
# static libraries of the same FFmpeg release from Debian's own source
# (the orig tarball and Debian's patches, checked against pinned SHA-256
# sums), configured with only the decoders, demuxers and protocols the
# audio library opens, and links them into the program.
# -DQOR_OWN_FFMPEG=OFF uses the system's libraries instead (libavformat-dev,
# libavcodec-dev, libavutil-dev, libswresample-dev).
option(QOR_OWN_FFMPEG "Build the FFmpeg libraries for this program from Debian's source instead of using the system's" ON)

if(NOT QOR_OWN_FFMPEG)
  pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libavutil libswresample)
  add_library(qor::ffmpeg ALIAS PkgConfig::FFMPEG)
  return()
endif()

include(ExternalProject)
include(${CMAKE_CURRENT_LIST_DIR}/QorSources.cmake)

qor_debian_source(QOR_FFMPEG_SOURCE ffmpeg 5.1.9 0+deb12u1 tar.xz
                  d9b593bb2ba93d4b50f74177e0cdcd41747e708596367deed0c30348a71dd176
                  71b20472ecd2764bc98e3229d34c0f7c8dcfe4a6cbacc23fd5604c23bac04632 QOR_OWN_FFMPEG)

find_program(QOR_NASM nasm)
if(NOT QOR_NASM)
  message(FATAL_ERROR "nasm is needed for FFmpeg's x86 assembly (the decoders would be several times slower "
                      "without it): apt-get install nasm, or configure with -DQOR_OWN_FFMPEG=OFF")
endif()
pkg_check_modules(SSL REQUIRED IMPORTED_TARGET libssl)

# What the audio library plays: the formats it names as its own (MP3, MP2,
# AAC with HE-AAC and LATM, Vorbis, Opus, FLAC, AC-3, WMA of every kind,
# WAV and AIFF in their PCM and ADPCM flavours, APE, Musepack, WavPack,
# ALAC, AMR, Speex), the containers those come in (MP4, Matroska, Ogg,
# ASF, AVI, FLV, CAF, ...), HLS over MPEG-TS, and the addresses it opens
# through libavformat (RTMP in all its forms, RTSP, MMS over HTTP and TCP,
# HTTPS through OpenSSL). The decoders are the ones FFmpeg itself would
# pick first for each codec (mp3float before mp3, the floating-point AAC
# and AC-3 ones), so what is decoded matches the system's build.
set(QOR_FFMPEG_DECODERS
    mp1 mp2 mp3float aac aac_latm vorbis opus flac ac3 eac3 wmav1 wmav2 wmapro wmalossless wmavoice
    ape mpc7 mpc8 wavpack amrnb amrwb alac speex adpcm_ima_wav adpcm_ms
    pcm_alaw pcm_mulaw pcm_s8 pcm_u8 pcm_s16le pcm_s16be pcm_s24le pcm_s24be pcm_s32le pcm_s32be
    pcm_f32le pcm_f32be pcm_f64le pcm_f64be)
set(QOR_FFMPEG_PARSERS aac aac_latm ac3 flac mpegaudio opus vorbis amr)
set(QOR_FFMPEG_DEMUXERS
    mp3 aac loas ac3 eac3 ogg flac wav w64 aiff caf mov matroska asf avi flv live_flv ape mpc mpc8 wv amr
    hls mpegts rtsp sdp rtp)
set(QOR_FFMPEG_PROTOCOLS
    file pipe http https httpproxy tcp tls udp rtp crypto data hls rtmp rtmps rtmpt rtmpts rtmpe rtmpte
    ffrtmpcrypt ffrtmphttp mmsh mmst)
list(JOIN QOR_FFMPEG_DECODERS , decoders)
list(JOIN QOR_FFMPEG_PARSERS , parsers)
list(JOIN QOR_FFMPEG_DEMUXERS , demuxers)
list(JOIN QOR_FFMPEG_PROTOCOLS , protocols)

set(prefix "${CMAKE_BINARY_DIR}/ffmpeg")
set(libs avformat avcodec swresample avutil)
set(byproducts "")
foreach(lib IN LISTS libs)
  list(APPEND byproducts "${prefix}/lib/lib${lib}.a")
endforeach()

ExternalProject_Add(qor_ffmpeg_build
  URL "${QOR_FFMPEG_SOURCE_ORIG}"
  URL_HASH SHA256=${QOR_FFMPEG_SOURCE_ORIG_SHA256}
  DOWNLOAD_EXTRACT_TIMESTAMP OFF
  PREFIX "${CMAKE_BINARY_DIR}/ffmpeg-build"
  INSTALL_DIR "${prefix}"
  PATCH_COMMAND sh "${CMAKE_CURRENT_LIST_DIR}/apply-debian-patches.sh" "${QOR_FFMPEG_SOURCE_DEBIAN}"
  CONFIGURE_COMMAND <SOURCE_DIR>/configure --prefix=<INSTALL_DIR> "--cc=${QOR_SOURCE_CC}" --x86asmexe=${QOR_NASM}
    --disable-autodetect --disable-everything --disable-programs --disable-doc
    --disable-avdevice --disable-swscale --disable-postproc --disable-avfilter
    --disable-shared --enable-static --enable-pic --disable-debug
    --enable-network --enable-zlib --enable-openssl
    --enable-decoder=${decoders} --enable-parser=${parsers}
    --enable-demuxer=${demuxers} --enable-protocol=${protocols}
  BUILD_COMMAND make -j${QOR_SOURCE_JOBS}
  INSTALL_COMMAND make install
  BUILD_BYPRODUCTS ${byproducts}
  LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)

# The headers appear only when the libraries are built; an imported
# target's include folder must exist when the build is generated.
file(MAKE_DIRECTORY "${prefix}/include")
foreach(lib IN LISTS libs)
  add_library(qor_ffmpeg_${lib} STATIC IMPORTED)
  set_target_properties(qor_ffmpeg_${lib} PROPERTIES IMPORTED_LOCATION "${prefix}/lib/lib${lib}.a")
  add_dependencies(qor_ffmpeg_${lib} qor_ffmpeg_build)
endforeach()
# Each static library names what it needs, so the linker sees those after it.
target_link_libraries(qor_ffmpeg_avformat INTERFACE qor_ffmpeg_avcodec qor_ffmpeg_avutil
                      PkgConfig::SSL PkgConfig::CRYPTO PkgConfig::ZLIB)
target_link_libraries(qor_ffmpeg_avcodec INTERFACE qor_ffmpeg_swresample qor_ffmpeg_avutil PkgConfig::ZLIB)
target_link_libraries(qor_ffmpeg_swresample INTERFACE qor_ffmpeg_avutil)
target_link_libraries(qor_ffmpeg_avutil INTERFACE m Threads::Threads)
add_library(qor_ffmpeg INTERFACE)
target_include_directories(qor_ffmpeg SYSTEM INTERFACE "${prefix}/include")
target_link_libraries(qor_ffmpeg INTERFACE qor_ffmpeg_avformat qor_ffmpeg_avcodec qor_ffmpeg_swresample
                      qor_ffmpeg_avutil)
add_library(qor::ffmpeg ALIAS qor_ffmpeg)
