#include "app/CRunWatch.h"

#include <QMetaObject>

class CRunWatch::CBridge : public CStepListener {
public:
    explicit CBridge(CRunWatch& target) : m_target(target) {}

    void OnPaused(const CProcessBox&) override
    {
        Post([](CRunWatch& watch) { emit watch.Paused(); });
    }
    void OnProgress(const CProcessBox&) override
    {
        Post([](CRunWatch& watch) { emit watch.Progressed(); });
    }
    void OnEnded() override
    {
        Post([](CRunWatch& watch) {
            watch.m_ended = true;
            emit watch.Ended();
        });
    }

private:
    template <typename Note>
    void Post(Note note)
    {
        CRunWatch* target = &m_target;
        QMetaObject::invokeMethod(target, [target, note] { note(*target); }, Qt::QueuedConnection);
    }

    CRunWatch& m_target;
};

CRunWatch::CRunWatch(CStepController::Start start, int delayMs, const std::vector<const CProcessBox*>& breakpoints,
                     QObject* parent)
    : QObject(parent)
    , m_bridge(std::make_unique<CBridge>(*this))
    , m_controller(std::make_unique<CStepController>(start, m_bridge.get()))
{
    m_controller->SetDelay(delayMs);
    for (const CProcessBox* box : breakpoints)
        m_controller->SetBreakpoint(*box, true);
}

CRunWatch::~CRunWatch() = default;
