# Third-party libraries, all from Debian packages (see scripts/install-deps).
# Their headers are included as system headers so that our warning flags
# apply to our own code only.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(nlohmann_json 3.10 REQUIRED)
find_package(uriparser 0.9 REQUIRED)
find_package(OpenSSL 3 REQUIRED)
find_package(CURL REQUIRED)
find_package(fmt REQUIRED)
find_package(spdlog REQUIRED)
find_package(CLI11 REQUIRED)
find_package(ICU 72 REQUIRED COMPONENTS uc i18n data)
pkg_check_modules(PLIST REQUIRED IMPORTED_TARGET libplist-2.0)
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)

foreach(target IN ITEMS PkgConfig::PLIST PkgConfig::HTTPLIB)
  get_target_property(dirs ${target} INTERFACE_INCLUDE_DIRECTORIES)
  if(dirs)
    set_target_properties(${target} PROPERTIES INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${dirs}")
  endif()
endforeach()

# Debian's iso-codes: the ISO 3166-1 country table the app's country-code
# resource is generated from.
pkg_get_variable(ISO_CODES_PREFIX iso-codes prefix)
find_file(ISO_3166_1_JSON iso_3166-1.json
  HINTS ${ISO_CODES_PREFIX}/share/iso-codes/json
  PATHS /usr/share/iso-codes/json
  REQUIRED)
