# cmake -DINPUT=iso_3166-1.json -DOUTPUT=isoCountryCodes.json -P GenerateIsoCountryCodes.cmake
#
# Writes the app's country-code table from iso-codes' ISO 3166-1 list: a JSON
# array with one object per country, in the list's order, holding "alpha-2",
# "alpha-3" and "name" as the standard writes them.
file(READ "${INPUT}" source)
string(JSON count LENGTH "${source}" "3166-1")
if(count EQUAL 0)
  message(FATAL_ERROR "${INPUT}: no countries")
endif()
math(EXPR last "${count} - 1")
set(rows "")
foreach(index RANGE ${last})
  string(JSON alpha2 GET "${source}" "3166-1" ${index} "alpha_2")
  string(JSON alpha3 GET "${source}" "3166-1" ${index} "alpha_3")
  string(JSON name GET "${source}" "3166-1" ${index} "name")
  set(row "{}")
  string(JSON row SET "${row}" "alpha-2" "\"${alpha2}\"")
  string(JSON row SET "${row}" "alpha-3" "\"${alpha3}\"")
  string(REPLACE "\\" "\\\\" name "${name}")
  string(REPLACE "\"" "\\\"" name "${name}")
  string(JSON row SET "${row}" "name" "\"${name}\"")
  string(REPLACE "\n" "" row "${row}")
  list(APPEND rows "  ${row}")
endforeach()
list(JOIN rows ",\n" body)
file(WRITE "${OUTPUT}.tmp" "[\n${body}\n]\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
