# Installs the Python package with pip, offline and without build isolation, into a fresh
# --target folder, then imports it from there (not from the source tree) and asks the library its
# version. The package's sources are copied first, so that the build leaves nothing in the tree.
foreach(var PYTHON SOURCE_DIR WORK_DIR LIBRARY VERSION)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check_install.cmake needs -D${var}=...")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/source" "${WORK_DIR}/run")
file(COPY "${SOURCE_DIR}/pyproject.toml" "${SOURCE_DIR}/README.md" DESTINATION "${WORK_DIR}/source")
file(COPY "${SOURCE_DIR}/panelink" DESTINATION "${WORK_DIR}/source" PATTERN "__pycache__" EXCLUDE)

execute_process(
  COMMAND "${CMAKE_COMMAND}" -E env PIP_DISABLE_PIP_VERSION_CHECK=1 PIP_NO_INDEX=1
    "${PYTHON}" -m pip install --no-build-isolation --no-deps --no-index
    --target "${WORK_DIR}/target" "${WORK_DIR}/source"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "pip install failed (${result}):\n${output}")
endif()

set(probe "import panelink, sys\nprint(panelink.__file__)\nprint(panelink.version())")
execute_process(
  COMMAND "${CMAKE_COMMAND}" -E env --unset=PYTHONPATH "PANELINK_LIBRARY=${LIBRARY}"
    PYTHONDONTWRITEBYTECODE=1 "${PYTHON}" -c "import sys; sys.path.insert(0, sys.argv[1])\n${probe}"
    "${WORK_DIR}/target"
  WORKING_DIRECTORY "${WORK_DIR}/run"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "importing the installed package failed (${result}):\n${output}${errors}")
endif()
if(NOT output STREQUAL "${WORK_DIR}/target/panelink/__init__.py\n${VERSION}\n")
  message(FATAL_ERROR "the installed package was not the one imported, or the version differs:\n"
                      "${output}")
endif()
message(STATUS "installed into ${WORK_DIR}/target; imported from there, library ${VERSION}")
