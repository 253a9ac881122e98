# fish completion for verdo-cli: .tem files where a form is asked for, any file for a page.
set -l commands new head totals trap export import keywords audit
complete -c verdo-cli -f
complete -c verdo-cli -n "not __fish_seen_subcommand_from $commands" -a "$commands"
complete -c verdo-cli -n "not __fish_seen_subcommand_from $commands" -l version -d 'the version'
complete -c verdo-cli -l help -d 'the usage'
complete -c verdo-cli -n '__fish_seen_subcommand_from new' -l cleared -d 'the form after Clear All'
complete -c verdo-cli -n '__fish_seen_subcommand_from head' -l trap -d 'the head block in trap page style'
complete -c verdo-cli -n '__fish_seen_subcommand_from trap' -s o -l output -r -F -d 'write the trap page to PAGE'
complete -c verdo-cli -n '__fish_seen_subcommand_from keywords' -l seed -x -d 'shuffle seeded with N'
complete -c verdo-cli -n '__fish_seen_subcommand_from keywords' -a 'upper lower capitalise reverse shuffle clear'
complete -c verdo-cli -n '__fish_seen_subcommand_from head totals trap export import keywords' -a '(__fish_complete_suffix .tem)'
complete -c verdo-cli -n '__fish_seen_subcommand_from export' -l keep-head -d 'only the head block elements replaced'
complete -c verdo-cli -n '__fish_seen_subcommand_from export' -l only -x -a 'title description keywords author copyright robots expires distribution revisit-after' -d 'with --keep-head: only these fields'
complete -c verdo-cli -n '__fish_seen_subcommand_from export' -l dry-run -d 'work out every page, write none'
complete -c verdo-cli -n '__fish_seen_subcommand_from export' -l diff -d 'a unified diff of each page that would change'
complete -c verdo-cli -n '__fish_seen_subcommand_from export' -l quiet -d 'no notes, progress or summary on stderr'
complete -c verdo-cli -n '__fish_seen_subcommand_from audit' -l json -d 'a JSON array of one object a page'
complete -c verdo-cli -n '__fish_seen_subcommand_from audit' -l title-width -x -d 'titles wider than PX pixels are too wide'
complete -c verdo-cli -n '__fish_seen_subcommand_from audit' -l description-width -x -d 'descriptions wider than PX pixels are too wide'
complete -c verdo-cli -n '__fish_seen_subcommand_from export audit' -F
