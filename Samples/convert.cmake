# SPDX-License-Identifier: GPL-3.0-or-later
# cmake -DSOFFICE= -DPROFILE= -DFORMAT= -DSOURCE= -DOUTDIR= -DOUTPUT= -P convert.cmake
file(MAKE_DIRECTORY "${OUTDIR}")
file(REMOVE "${OUTPUT}")
execute_process(
    COMMAND "${SOFFICE}" "-env:UserInstallation=${PROFILE}" --headless --norestore
            --convert-to "${FORMAT}" --outdir "${OUTDIR}" "${SOURCE}"
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
# soffice reports success even when it wrote nothing, so the file is what counts.
if(NOT result EQUAL 0 OR NOT EXISTS "${OUTPUT}")
    message(FATAL_ERROR "LibreOffice could not convert ${SOURCE} to ${FORMAT}:\n${out}${err}")
endif()
