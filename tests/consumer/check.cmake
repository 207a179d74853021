# Installs the build into a fresh prefix, builds the consumer project against
# it and runs it.
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix
                RESULT_VARIABLE status OUTPUT_QUIET)
if(status)
  message(FATAL_ERROR "install failed")
endif()
foreach(program ScoreSeqComplexity ApplyResidueScale SplitSecStructProbs ExtractProfileMatrix TrackProfileColumn
                AssembleFeatureRows ReportDomainHinges SegmentDomains SweepLinkerCalls ClassifyFeatureRows linkerkit-predict
                linkerkit-reprof)
  if(NOT EXISTS ${WORK_DIR}/prefix/bin/${program})
    message(FATAL_ERROR "${program} not installed")
  endif()
endforeach()
# The installed road takes its models from share/linkerkit beside its bin/.
execute_process(COMMAND ${WORK_DIR}/prefix/bin/linkerkit-predict --show-settings
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(status OR NOT out MATCHES "^model ${WORK_DIR}/prefix/share/linkerkit/models/sequence\n")
  message(FATAL_ERROR "installed linkerkit-predict does not find its models: ${out}")
endif()
# The installed reprof driver carries the project's version, written in by the build.
execute_process(COMMAND ${WORK_DIR}/prefix/bin/linkerkit-reprof --version
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(status OR NOT out STREQUAL "linkerkit-reprof ${VERSION}\n")
  message(FATAL_ERROR "installed linkerkit-reprof --version says: ${out}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/build -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix
                        "-DCMAKE_EXE_LINKER_FLAGS=${CONSUMER_LINK_FLAGS}"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(status)
  message(FATAL_ERROR "consumer configure failed: ${out}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/build RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(status)
  message(FATAL_ERROR "consumer build failed: ${out}")
endif()
execute_process(COMMAND ${WORK_DIR}/build/consumer RESULT_VARIABLE status OUTPUT_VARIABLE out)
if(status OR NOT out STREQUAL "ok\n")
  message(FATAL_ERROR "consumer run failed: ${out}")
endif()
