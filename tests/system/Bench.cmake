# The benchmarks of bench/ that tools/run-bench.sh runs (besides the 3Com
# download's and konvertiere's, built with their own folders' tests):
# programs that print their figures, not tests. They use the test kit and
# start the built simulator.
set(_bench_libs
    DownloadElsa pellow_modem
    Reload3com pellow_modem
    MurmelCheck pellow_murmel
    TiffFax2tiff pellow_modem
    ViewerRender pellow_modem,pellow_imaging_core)
while(_bench_libs)
  list(POP_FRONT _bench_libs _name _libs)
  string(REPLACE "," ";" _libs "${_libs}")
  add_executable(bench_${_name} ${CMAKE_SOURCE_DIR}/bench/${_name}.cpp)
  target_link_libraries(bench_${_name} PRIVATE ${_libs} pellow_testkit)
  pellow_warnings(bench_${_name})
  add_dependencies(bench_${_name} modemsim)
endwhile()
