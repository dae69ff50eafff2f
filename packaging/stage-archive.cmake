# Stages one release archive and writes it; run by the `cv-archive` target with SOURCE_DIR,
# OUTPUT_DIR, NAME, PLATFORM, FORMAT (zip or tar.gz), BINARIES, PACKAGING (the folders of packaging/ that
# belong to the platform) and LICENSES (name=path pairs); BINARIES and LICENSES are joined by "|".
cmake_minimum_required(VERSION 3.25)

string(REPLACE "|" ";" BINARIES "${BINARIES}")
string(REPLACE "|" ";" LICENSES "${LICENSES}")

set(stage ${OUTPUT_DIR}/stage/${NAME})
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage}/bin ${stage}/licenses)

file(COPY ${BINARIES} DESTINATION ${stage}/bin)
foreach(folder IN LISTS PACKAGING)
    file(COPY ${SOURCE_DIR}/packaging/${folder} DESTINATION ${stage}/packaging)
endforeach()
file(COPY ${SOURCE_DIR}/docs ${SOURCE_DIR}/examples DESTINATION ${stage})
file(COPY ${SOURCE_DIR}/README.md DESTINATION ${stage})
configure_file(${SOURCE_DIR}/packaging/licenses/${PLATFORM}.md ${stage}/licenses/README.md COPYONLY)
foreach(license IN LISTS LICENSES)
    string(REPLACE "=" ";" parts "${license}")
    list(GET parts 0 component)
    list(GET parts 1 path)
    if(NOT EXISTS ${path})
        message(FATAL_ERROR "the licence text of ${component} is missing: ${path}")
    endif()
    configure_file(${path} ${stage}/licenses/${component}.txt COPYONLY)
endforeach()

# A digest of every file, in sha256sum's format, so a copy can be checked where it lands.
file(GLOB_RECURSE files RELATIVE ${stage} ${stage}/*)
list(SORT files)
set(sums "")
foreach(file IN LISTS files)
    file(SHA256 ${stage}/${file} digest)
    string(APPEND sums "${digest}  ${file}\n")
endforeach()
file(WRITE ${stage}/SHA256SUMS "${sums}")

set(archive ${OUTPUT_DIR}/${NAME}.${FORMAT})
file(REMOVE ${archive})
if(FORMAT STREQUAL "zip")
    set(options cf ${archive} --format=zip)
else()
    set(options czf ${archive})
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar ${options} ${NAME}
                WORKING_DIRECTORY ${OUTPUT_DIR}/stage
                COMMAND_ERROR_IS_FATAL ANY)
file(SHA256 ${archive} digest)
file(WRITE ${archive}.sha256 "${digest}  ${NAME}.${FORMAT}\n")
file(REMOVE_RECURSE ${OUTPUT_DIR}/stage)
message(STATUS "wrote ${archive}")
