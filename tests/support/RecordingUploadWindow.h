#pragma once

#include "photoset/UploadWindow.h"

#include <QString>
#include <QStringList>

#include <vector>

// A main window that records what flows do to it.
class RecordingUploadWindow : public UploadWindow
{
public:
    int descriptionsApplied = 0;
    std::vector<bool> enabledHistory;
    std::vector<bool> panelHistory;
    QStringList pbrCaptions;
    int maximum = 0;
    std::vector<int> maximumHistory;
    int value = 0;
    // progressCancelled() turns true once the meter reaches this value.
    int cancelAtValue = -1;

    void ApplyDescription() override { ++descriptionsApplied; }
    void setWindowEnabled(bool enabled) override { enabledHistory.push_back(enabled); }
    void ShowProgressPanel(bool show) override { panelHistory.push_back(show); }
    void setUpdateCaption(const QString &) override {}
    void setPbrCaption(const QString &text) override { pbrCaptions.append(text); }
    void setProgressRange(int, int max) override
    {
        maximum = max;
        maximumHistory.push_back(max);
    }
    void setProgressValue(int v) override { value = v; }
    int progressValue() const override { return value; }
    int progressMaximum() const override { return maximum; }
    void StepProgress() override { ++value; }
    bool progressCancelled() const override { return cancelAtValue >= 0 && value >= cancelAtValue; }
    void processEvents() override {}

    bool enabledAtEnd() const { return !enabledHistory.empty() && enabledHistory.back(); }
};
