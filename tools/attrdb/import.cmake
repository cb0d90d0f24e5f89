# Tests of the import subcommands.
