" klavrun scripts: .klav and .kls files.
autocmd BufRead,BufNewFile *.klav,*.kls setfiletype klavrun
