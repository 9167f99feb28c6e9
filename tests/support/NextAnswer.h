#pragma once

#include <deque>
#include <utility>

// The next scripted answer, or what a user who just presses Enter would give.
template<class T> T nextAnswer(std::deque<T> &queue, T fallback)
{
    if (queue.empty())
        return fallback;
    T answer = std::move(queue.front());
    queue.pop_front();
    return answer;
}
