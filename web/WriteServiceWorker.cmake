# Writes the site's service worker OUTPUT from INPUT with its version: a digest of the element's
# files FILES (a ;-separated list), so that every build of the element installs a new worker
# and a fresh cache in the browsers that keep the old one.
# Usage: cmake -DINPUT=... -DOUTPUT=... -DFILES=... -P WriteServiceWorker.cmake
set(digests "")
foreach(file IN LISTS FILES)
  file(SHA256 ${file} digest)
  string(APPEND digests ${digest})
endforeach()
string(SHA256 version "${digests}")
string(SUBSTRING ${version} 0 16 version)
file(READ ${INPUT} text)
string(REPLACE "@KOLO_SITE_VERSION@" "${version}" text "${text}")
file(WRITE ${OUTPUT} "${text}")
