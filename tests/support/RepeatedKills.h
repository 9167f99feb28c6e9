#pragma once

#include <QProcess>
#include <QRandomGenerator>

// Kills a program at random moments and starts it again, round after round,
// until `done` says the work is over or `rounds` ran out; returns how many
// runs were killed. `start` hands back the started QProcess.
template<class Start, class Done>
int killAtRandomMoments(Start start, Done done, quint32 seed, int minMs, int maxMs, int rounds)
{
    QRandomGenerator random(seed);
    int kills = 0;
    for (int round = 0; round < rounds && !done(); ++round) {
        const auto process = start();
        if (process->waitForFinished(int(random.bounded(minMs, maxMs))))
            continue;
        process->kill();
        process->waitForFinished();
        ++kills;
    }
    return kills;
}
