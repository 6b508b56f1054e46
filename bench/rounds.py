"""Times shell commands in rounds, for the compare_*.sh scripts.

    rounds.py RUNS {--workload TITLE [--setup COMMAND] {--command NAME COMMAND}
                    [--ratio NAME NAME]}...

Every round runs each command of a workload once, in rotating order, so that
other work on the machine falls on all of them alike; a workload's setup
command runs, untimed, before each of its commands. Printed per workload: a
table of the median wall time, the median CPU time (user + system of the
process and its children), the largest peak RSS and each median's ratio to
the first command's; then, for each --ratio A B, A's medians over B's. A
command that fails ends the script with its status.
"""

import os
import subprocess
import sys
import time
from statistics import median


def parse(arguments):
    workloads = []
    i = 0
    while i < len(arguments):
        option = arguments[i]
        if option == "--workload":
            workloads.append({"title": arguments[i + 1], "setup": None, "commands": [],
                              "ratios": []})
            i += 2
        elif option == "--setup":
            workloads[-1]["setup"] = arguments[i + 1]
            i += 2
        elif option == "--command":
            workloads[-1]["commands"].append((arguments[i + 1], arguments[i + 2]))
            i += 3
        elif option == "--ratio":
            workloads[-1]["ratios"].append((arguments[i + 1], arguments[i + 2]))
            i += 3
        else:
            sys.exit(f"rounds.py: unknown option {option}")
    return workloads


def run(command):
    start = time.perf_counter()
    child = subprocess.Popen(["bash", "-c", "exec " + command])
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    if status != 0:
        sys.exit(f"failed: {command}")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024


def main(runs, workloads):
    for workload in workloads:
        commands = workload["commands"]
        results = {name: [] for name, _ in commands}
        for round_ in range(runs):
            shift = round_ % len(commands)
            for name, command in commands[shift:] + commands[:shift]:
                if workload["setup"]:
                    subprocess.run(["bash", "-c", workload["setup"]], check=True)
                results[name].append(run(command))
        print(f"\n{workload['title']}, {runs} rounds, load average {os.getloadavg()[0]:.1f}")
        print("| Command | Wall, median | CPU, median | Peak RSS | Wall / first | CPU / first |")
        print("|---|---:|---:|---:|---:|---:|")
        medians = {name: (median(r[0] for r in values), median(r[1] for r in values))
                   for name, values in results.items()}
        base = medians[commands[0][0]]
        for name, _ in commands:
            wall, cpu = medians[name]
            rss = max(r[2] for r in results[name])
            print(f"| {name} | {wall:.3f} s | {cpu:.3f} s | {rss:.1f} MiB "
                  f"| {wall / base[0]:.2f} | {cpu / base[1]:.2f} |")
        for a, b in workload["ratios"]:
            print(f"{a} / {b}: wall {medians[a][0] / medians[b][0]:.2f}, "
                  f"CPU {medians[a][1] / medians[b][1]:.2f}")


if __name__ == "__main__":
    main(int(sys.argv[1]), parse(sys.argv[2:]))
