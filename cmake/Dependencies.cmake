# Every third-party package the program uses, found once for all subsystems.
find_package(Qt5 5.15 REQUIRED COMPONENTS
  Core Gui Widgets Qml Quick QuickControls2 Sql Network Concurrent
  WebEngine WebEngineCore WebChannel Test QuickTest LinguistTools)
find_package(PkgConfig REQUIRED)
pkg_check_modules(LUCENE REQUIRED IMPORTED_TARGET liblucene++ liblucene++-contrib)
find_package(QuaZip-Qt5 REQUIRED)
find_package(ICU 72 REQUIRED COMPONENTS uc i18n)
find_package(OpenSSL REQUIRED)
find_package(ZLIB REQUIRED)
# Lucene++ headers use Boost.Thread types; their type information must link.
find_package(Boost REQUIRED COMPONENTS thread)
find_package(Threads REQUIRED)
