# What the packages say of themselves, read from the files that hold it: the metainfo and NEWS.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

# The text of the XML element `text` with its entities replaced and its white space collapsed.
function(quorvane_xml_text text out)
  string(REGEX REPLACE "[ \t\r\n]+" " " text "${text}")
  string(STRIP "${text}" text)
  string(REPLACE "&lt;" "<" text "${text}")
  string(REPLACE "&gt;" ">" text "${text}")
  string(REPLACE "&quot;" "\"" text "${text}")
  string(REPLACE "&apos;" "'" text "${text}")
  string(REPLACE "&amp;" "&" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The summary, the description (its paragraphs filled to 72 columns, separated by an empty line)
# and the project licence of the AppStream metainfo `file`.
function(quorvane_metainfo file summary_out description_out licence_out)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  file(READ ${file} xml)
  # The application's own elements, not those of a release.
  string(FIND "${xml}" "<releases>" releases)
  string(SUBSTRING "${xml}" 0 ${releases} xml)
  foreach(element summary project_license description)
    # The untranslated element: translations carry xml:lang and so do not match.
    if(NOT xml MATCHES "<${element}>([^<]*(<[^/][^<]*</[^>]*>[^<]*)*)</${element}>")
      message(FATAL_ERROR "${file} has no <${element}>")
    endif()
    set(${element} "${CMAKE_MATCH_1}")
  endforeach()
  quorvane_xml_text("${summary}" summary)
  quorvane_xml_text("${project_license}" licence)
  string(REGEX MATCHALL "<p>[^<]*</p>" paragraphs "${description}")
  # A paragraph with markup inside would be lost without a word: stop instead.
  string(REGEX MATCHALL "<p[ >]" opened "${description}")
  list(LENGTH opened opened)
  list(LENGTH paragraphs count)
  if(count EQUAL 0 OR NOT count EQUAL opened)
    message(FATAL_ERROR "The description of ${file} needs paragraphs of plain text, and only them")
  endif()
  set(filled "")
  foreach(paragraph IN LISTS paragraphs)
    quorvane_xml_text("${paragraph}" paragraph)
    string(REGEX REPLACE "^<p> ?| ?</p>$" "" paragraph "${paragraph}")
    string(REPLACE " " ";" words "${paragraph}")
    set(line "")
    foreach(word IN LISTS words)
      string(LENGTH "${line} ${word}" length)
      if(line STREQUAL "")
        set(line "${word}")
      elseif(length GREATER 72)
        string(APPEND filled "${line}\n")
        set(line "${word}")
      else()
        string(APPEND line " ${word}")
      endif()
    endforeach()
    string(APPEND filled "${line}\n\n")
  endforeach()
  string(STRIP "${filled}" filled)
  set(${summary_out} "${summary}" PARENT_SCOPE)
  set(${description_out} "${filled}" PARENT_SCOPE)
  set(${licence_out} "${licence}" PARENT_SCOPE)
endfunction()

set(QUORVANE_MONTHS Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
# "Tue, 08 Dec 2026 23:30:00 +0000": day, date, month, year, hours, minutes, seconds, offset.
string(CONCAT QUORVANE_RFC2822_DATE "([A-Z][a-z][a-z]), ([0-9]+) ([A-Z][a-z][a-z]) ([0-9]+) "
              "([0-9]+):([0-9]+):([0-9]+) ([+-][0-9][0-9][0-9][0-9])")

# The seconds since 1970 of the latest release in NEWS, a Debian changelog: the date of its first
# trailer line (" -- Name <address>  Tue, 08 Dec 2026 23:30:00 +0000").
function(quorvane_news_epoch news out)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${news})
  file(STRINGS ${news} trailer REGEX "^ -- " LIMIT_COUNT 1)
  if(NOT trailer MATCHES "  ${QUORVANE_RFC2822_DATE}$")
    message(FATAL_ERROR "${news} has no release date: its first entry ends without a line "
                        "\" -- Name <address>  Day, DD Mon YYYY HH:MM:SS +ZZZZ\"")
  endif()
  list(FIND QUORVANE_MONTHS ${CMAKE_MATCH_3} month)
  set(day ${CMAKE_MATCH_2})
  set(year ${CMAKE_MATCH_4})
  set(time "${CMAKE_MATCH_5} * 3600 + ${CMAKE_MATCH_6} * 60 + ${CMAKE_MATCH_7}")
  # "+0130": an hour and a half ahead of UTC. (math() reads "08" as eight.)
  string(REGEX REPLACE "^([+-])(..)(..)$" "\\1 (\\2 * 3600 + \\3 * 60)" offset "${CMAKE_MATCH_8}")
  # Days since 1970-01-01 in a calendar whose years start in March, so that the leap day is the
  # last of its year.
  if(month LESS 2)
    math(EXPR year "${year} - 1")
    math(EXPR month "${month} + 10")
  else()
    math(EXPR month "${month} - 2")
  endif()
  math(EXPR days "365 * ${year} + ${year} / 4 - ${year} / 100 + ${year} / 400
                  + (153 * ${month} + 2) / 5 + ${day} - 1 - 719468")
  math(EXPR epoch "${days} * 86400 + ${time} - (0 ${offset})")
  set(${out} ${epoch} PARENT_SCOPE)
endfunction()

# NEWS, a Debian changelog, written to `output` as the %changelog section of an RPM: each entry
# headed "* Tue Dec 08 2026 Name <address> - VERSION-1", its items as "- " lines.
function(quorvane_rpm_changelog news output)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${news})
  file(READ ${news} text)
  # Semicolons ("unstable; urgency=medium") would split the lines: they stand aside meanwhile.
  string(ASCII 30 semicolon)
  string(REPLACE ";" "${semicolon}" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  set(changelog "")
  set(items "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[a-z0-9][a-z0-9.+-]* \\(([^)]+)\\)")
      set(version ${CMAKE_MATCH_1})
      set(items "")
    elseif(line MATCHES "^  \\* (.*)$")
      string(APPEND items "- ${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "^    (.*)$")
      string(APPEND items "  ${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "^ -- (.*)  ${QUORVANE_RFC2822_DATE}$")
      set(who "${CMAKE_MATCH_1}")
      string(APPEND changelog "* ${CMAKE_MATCH_2} ${CMAKE_MATCH_4} ${CMAKE_MATCH_3} "
                              "${CMAKE_MATCH_5} ${who} - ${version}-1\n${items}\n")
    endif()
  endforeach()
  string(STRIP "${changelog}" changelog)
  string(REPLACE "${semicolon}" ";" changelog "${changelog}")
  file(WRITE ${output} "${changelog}\n")
endfunction()
