# Third-party libraries, all from Debian's packages (scripts/setup-debian.sh installs them).
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

# FLTK 1.3: fltk-config names only -lfltk -lX11, but the library draws text with Xft.
find_library(FLTK_LIB fltk REQUIRED)
find_path(FLTK_INCLUDE FL/Fl.H REQUIRED)
add_library(dep_fltk INTERFACE)
target_include_directories(dep_fltk SYSTEM INTERFACE ${FLTK_INCLUDE})
target_link_libraries(dep_fltk INTERFACE ${FLTK_LIB} X11)

# OpenCV core and imgproc only (Debian's split packages carry no CMake config).
find_path(OPENCV_INCLUDE opencv2/core.hpp PATH_SUFFIXES opencv4 REQUIRED)
find_library(OPENCV_CORE_LIB opencv_core REQUIRED)
find_library(OPENCV_IMGPROC_LIB opencv_imgproc REQUIRED)
add_library(dep_opencv INTERFACE)
target_include_directories(dep_opencv SYSTEM INTERFACE ${OPENCV_INCLUDE})
target_link_libraries(dep_opencv INTERFACE ${OPENCV_IMGPROC_LIB} ${OPENCV_CORE_LIB})

pkg_check_modules(JPEG REQUIRED IMPORTED_TARGET libjpeg)
pkg_check_modules(ZLIB REQUIRED IMPORTED_TARGET zlib)
pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
pkg_check_modules(LIBARCHIVE REQUIRED IMPORTED_TARGET libarchive)
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
pkg_check_modules(WEBP REQUIRED IMPORTED_TARGET libwebp)
pkg_check_modules(TIFF REQUIRED IMPORTED_TARGET libtiff-4)
pkg_check_modules(GIF REQUIRED IMPORTED_TARGET libgif)
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo cairo-pdf)

# CUPS ships no pkg-config file.
find_library(CUPS_LIB cups REQUIRED)
find_path(CUPS_INCLUDE cups/cups.h REQUIRED)
add_library(dep_cups INTERFACE)
target_include_directories(dep_cups SYSTEM INTERFACE ${CUPS_INCLUDE})
target_link_libraries(dep_cups INTERFACE ${CUPS_LIB})

find_package(GTest REQUIRED)
