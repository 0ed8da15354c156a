# Shortcuts for the scripts that do the work.
.PHONY: run test bench lint format windows package
run:
	bash scripts/run.sh
test:
	bash scripts/test.sh
bench:
	bash scripts/bench.sh
lint:
	bash scripts/lint.sh
format:
	bash scripts/format.sh
windows:
	bash scripts/windows.sh
package:
	bash scripts/package.sh
