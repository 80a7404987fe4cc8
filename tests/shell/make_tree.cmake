# cmake -D directory=DIR -D files=FILE|FILE... -P make_tree.cmake
# Makes DIR afresh, holding the empty files (paths below DIR; names may end in
# a blank or a dot, which a Windows program could not create plainly).
file(REMOVE_RECURSE "${directory}")
string(REPLACE "|" ";" file_list "${files}")
foreach(file IN LISTS file_list)
  file(WRITE "${directory}/${file}" "")
endforeach()
