# Shortcuts for the scripts that do the work.
.PHONY: run test bench
run:
	bash scripts/run.sh
test:
	bash scripts/test.sh
bench:
	bash scripts/bench.sh
