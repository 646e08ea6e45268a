# Makes a page of the offline help from a Markdown file of the project (the
# README, the benchmark results):
#   cmake -DREADME=... -DOUTPUT=... [-DTITLE=...] [-DCMARK=...] -P readme-page.cmake
# With cmark the Markdown becomes HTML; without it the text is shown as it is.
# The help folder holds the pages and the README's pictures, nothing else:
# links to other files of the project lose their target and keep their text,
# the benchmark results link to their own page, and pictures under docs/ are
# found beside the page.
if(NOT TITLE)
  set(TITLE "Transcast README")
endif()
file(READ ${README} text)
string(REPLACE "](bench/results.md)" "](results.html)" text "${text}")
# [words](path/to/script.sh) -> words
string(REGEX REPLACE "\\[([^]]*)\\]\\([^):]*\\.(sh|py|cpp|h|txt)\\)" "\\1" text "${text}")
get_filename_component(output_dir ${OUTPUT} DIRECTORY)
set(prepared ${OUTPUT}.md)
file(WRITE ${prepared} "${text}")
set(body "")
if(CMARK)
  execute_process(COMMAND ${CMARK} ${prepared} OUTPUT_VARIABLE body RESULT_VARIABLE failed)
  if(failed)
    set(body "")
  endif()
endif()
file(REMOVE ${prepared})
if(body STREQUAL "")
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  set(body "<pre>${text}</pre>")
endif()
string(REPLACE "src=\"docs/" "src=\"" body "${body}")
file(WRITE ${OUTPUT} "<!DOCTYPE html>
<html lang=\"en\">
<head>
<meta charset=\"utf-8\">
<title>${TITLE}</title>
<link rel=\"stylesheet\" href=\"help.css\">
</head>
<body>
<p><a href=\"index.html\">Transcast help</a></p>
${body}</body>
</html>
")
