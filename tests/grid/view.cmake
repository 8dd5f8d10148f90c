sb_add_test(tst_columnmenupopup GUI SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_columnmenupopup.cpp LIBS schedui)
sb_add_test(tst_gridview GUI SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_gridview.cpp LIBS schedui)
