# Makes the help's README page from the project's README.md:
#   cmake -DREADME=... -DOUTPUT=... [-DCMARK=...] -P readme-page.cmake
# With cmark the Markdown becomes HTML; without it the text is shown as it is.
# The README's pictures under docs/ lie beside the page in the help folder.
file(READ ${README} text)
set(body "")
if(CMARK)
  execute_process(COMMAND ${CMARK} ${README} OUTPUT_VARIABLE body RESULT_VARIABLE failed)
  if(failed)
    set(body "")
  endif()
endif()
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
<title>Transcast README</title>
<link rel=\"stylesheet\" href=\"help.css\">
</head>
<body>
<p><a href=\"index.html\">Transcast help</a></p>
${body}</body>
</html>
")
