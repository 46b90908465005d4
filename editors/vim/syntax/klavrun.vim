" Vim syntax file
" Language:    klavrun script (klavrun-script(5))
" Maintainer:  the Klavrun developers
"
" One command a line; klavrun reads a line lower-cased and trimmed, so case
" is ignored here too. A line no command starts is marked as an error, as
" klavrun would fail it; klavcheck says why (:set makeprg=klavcheck\ %).

if exists("b:current_syntax")
  finish
endif

syn case ignore

" Defined first: every command below outranks it where one starts.
syn match klavrunError /^\s*\S.*$/

syn match klavrunComment /^\s*\%(rem \|;\|\/\/\).*$/ contains=@Spell

syn match klavrunCommand /^\s*\%(start\|app\|title\|snapshot\) / nextgroup=klavrunArgument
syn match klavrunCommand /^\s*send / nextgroup=klavrunKeys
syn match klavrunCommand /^\s*sendenv / nextgroup=klavrunVariable
syn match klavrunCommand /^\s*\%(delay\|settle\) / nextgroup=klavrunBadNumber,klavrunNumber
syn match klavrunConditional /^\s*\%(while not exists\|while exists\|if\) / nextgroup=klavrunArgument
syn match klavrunDefine /^\s*#define \%(line_delay\|char_delay\|wait_timeout\) /
      \ nextgroup=klavrunBadNumber,klavrunNumber

" The argument runs to the end of the line: its first and last characters
" are dropped, whatever they are, so quotes inside it need no escape.
syn match klavrunArgument /.*$/ contained
syn match klavrunVariable /.*$/ contained
syn match klavrunKeys /.*$/ contained
      \ contains=klavrunKeyName,klavrunModifier,klavrunGroup,klavrunEnter
syn match klavrunBadNumber /.*$/ contained
syn match klavrunNumber /\%(\d\+\|\$\x\+\|0\=x\x\+\)\s*$/ contained

" Inside a send's keys, past the opening quote.
syn match klavrunModifier /[+^%]/ contained
syn match klavrunGroup /[()]/ contained
syn match klavrunEnter /\~/ contained
syn match klavrunKeyName /{[^}]*}}\=/ contained
syn match klavrunKeyName /{{}/ contained

hi def link klavrunError Error
hi def link klavrunBadNumber Error
hi def link klavrunComment Comment
hi def link klavrunCommand Statement
hi def link klavrunConditional Conditional
hi def link klavrunDefine PreProc
hi def link klavrunArgument String
hi def link klavrunKeys String
hi def link klavrunVariable Identifier
hi def link klavrunNumber Number
hi def link klavrunModifier Operator
hi def link klavrunGroup Delimiter
hi def link klavrunEnter Special
hi def link klavrunKeyName Special

let b:current_syntax = "klavrun"
