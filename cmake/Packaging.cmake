# `make package`: a Debian package of what `cmake --install` puts in place.
# Its library dependencies are read from the binary by dpkg-shlibdeps;
# libVLC loads its demuxers, decoders and video outputs as plug-ins, which
# no linker sees, so those packages are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantero)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Vantero developers")
set(CPACK_PACKAGE_CONTACT "The Vantero developers <dev@vantero.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client for an online IPTV service")
set(CPACK_PACKAGE_DESCRIPTION
    "Signs in to the TV service, registers the computer as a device and plays the\n\
channels of its playlists, with logos, the current programme, a programme\n\
guide, favourites and parental control.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.vantero.example/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# http, HLS, MPEG-TS and the decoders; the X11 and OpenGL video outputs.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "vlc-plugin-base, vlc-plugin-video-output")
# The plug-in cache makes the engine start in milliseconds.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libvlc-bin")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)
include(CPack)
