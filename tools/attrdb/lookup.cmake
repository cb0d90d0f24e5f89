# Tests of the lookup subcommands.
