#pragma once

// Collects the status messages of an update session (posted from its thread).

#include "updatestatus.h"

#include <QPair>
#include <QVector>

#include <chrono>
#include <condition_variable>
#include <mutex>

class StatusLog
{
public:
    void operator()(int code, int value)
    {
        std::lock_guard<std::mutex> l(m_mutex);
        m_items.append({code, value});
        m_cv.notify_all();
    }

    // Waits for the closing message (any code but progress); returns it, or
    // {-1, -1} when none came within timeoutMs.
    QPair<int, int> waitFinal(int timeoutMs)
    {
        std::unique_lock<std::mutex> l(m_mutex);
        QPair<int, int> result{-1, -1};
        m_cv.wait_for(l, std::chrono::milliseconds(timeoutMs), [&] {
            for (const auto &i : m_items) {
                if (i.first != UpdateStatus::Progress) {
                    result = i;
                    return true;
                }
            }
            return false;
        });
        return result;
    }

    QVector<QPair<int, int>> items() const
    {
        std::lock_guard<std::mutex> l(m_mutex);
        return m_items;
    }

    // Only the progress values, in order.
    QVector<int> progress() const
    {
        QVector<int> out;
        for (const auto &i : items())
            if (i.first == UpdateStatus::Progress)
                out.append(i.second);
        return out;
    }

    int finalCount() const
    {
        int n = 0;
        for (const auto &i : items())
            n += i.first != UpdateStatus::Progress;
        return n;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    QVector<QPair<int, int>> m_items;
};
