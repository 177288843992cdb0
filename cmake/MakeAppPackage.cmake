# Puts an app package together in OUTPUT: the sample package RESOURCES, the
# resources made at build time (GENERATED, a folder) and, with PREVIEW set,
# the preview edition's Info.plist ("YarrowinAppType" "preSale").
file(REMOVE_RECURSE "${OUTPUT}")
file(COPY "${RESOURCES}/" DESTINATION "${OUTPUT}")
file(COPY "${GENERATED}/" DESTINATION "${OUTPUT}")
if(PREVIEW)
  file(READ "${OUTPUT}/Info.plist" info)
  string(FIND "${info}" "<dict>" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${RESOURCES}/Info.plist has no top-level dictionary")
  endif()
  math(EXPR at "${at} + 6")
  string(SUBSTRING "${info}" 0 ${at} head)
  string(SUBSTRING "${info}" ${at} -1 tail)
  file(WRITE "${OUTPUT}/Info.plist"
    "${head}\n\t<key>YarrowinAppType</key>\n\t<string>preSale</string>${tail}")
endif()
