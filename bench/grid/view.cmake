sb_add_bench(bench_gridview SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_gridview.cpp LIBS schedui)
