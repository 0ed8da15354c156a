// Every vesperine-cli subcommand's description, one header per subcommand named after it.
#pragma once

#include "cli/checksum_command.h"
#include "cli/compare_command.h"
#include "cli/crc_command.h"
#include "cli/dat_command.h"
#include "cli/diagnose_command.h"
#include "cli/extract_command.h"
#include "cli/hash_command.h"
#include "cli/header_command.h"
#include "cli/identify_command.h"
#include "cli/merge_command.h"
#include "cli/reads_command.h"
#include "cli/repair_command.h"
#include "cli/search_command.h"
#include "cli/solve_command.h"
#include "cli/split_command.h"
#include "cli/sum_command.h"
