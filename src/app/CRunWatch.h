#pragma once
// A run that the desktop program watches: the step controller the run
// thread reports to (RunChart attaches it), and the bridge that carries its reports over to the
// user-interface thread as queued calls. A report only says that something
// happened; the receiver reads the controller's state when the note arrives,
// so a late note never shows a box the run has already left.
//
// The object must outlive the run thread: the main window keeps it until the
// console job has ended.

#include "exec/CStepController.h"

#include <QObject>

#include <memory>
#include <vector>

class CProcessBox;

class CRunWatch : public QObject {
    Q_OBJECT

public:
    CRunWatch(CStepController::Start start, int delayMs, const std::vector<const CProcessBox*>& breakpoints,
              QObject* parent = nullptr);
    ~CRunWatch() override;

    CStepController& Controller() { return *m_controller; }
    const CStepController& Controller() const { return *m_controller; }

    // The end of the run has been reported (the console may still wait at
    // its exit prompt).
    bool HasEnded() const { return m_ended; }

signals:
    // The run paused before the controller's current box.
    void Paused();
    // The run went on past another box.
    void Progressed();
    void Ended();

private:
    class CBridge;
    std::unique_ptr<CBridge> m_bridge;
    std::unique_ptr<CStepController> m_controller;
    bool m_ended { false };
};
