target_sources(schedui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/celldelegate.cpp ${CMAKE_CURRENT_LIST_DIR}/celldelegate.h
    ${CMAKE_CURRENT_LIST_DIR}/columnmenupopup.cpp ${CMAKE_CURRENT_LIST_DIR}/columnmenupopup.h
    ${CMAKE_CURRENT_LIST_DIR}/gridheaderview.cpp ${CMAKE_CURRENT_LIST_DIR}/gridheaderview.h
    ${CMAKE_CURRENT_LIST_DIR}/gridtablemodel.cpp ${CMAKE_CURRENT_LIST_DIR}/gridtablemodel.h
    ${CMAKE_CURRENT_LIST_DIR}/gridview.cpp ${CMAKE_CURRENT_LIST_DIR}/gridview.h
)
