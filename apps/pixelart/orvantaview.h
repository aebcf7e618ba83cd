#pragma once

// The pixel-art program's view: it holds the engine's host window for its
// whole life, fills its client area with it and marks the document modified
// at every change the engine reports. It draws nothing itself.

#include <QWidget>
#include <memory>

#include "platform/wintypes.h"

class CLmrMWindow;

class COrvantaView : public QWidget {
    Q_OBJECT

public:
    explicit COrvantaView(QWidget* parent = nullptr);
    ~COrvantaView() override;

    // Creates the host window ("MWindow") over the client area and starts
    // the engine; FALSE when it could not be made.
    BOOL OnCreate();
    CLmrMWindow* GetMWindow() const { return m_pMWindow.get(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::unique_ptr<CLmrMWindow> m_pMWindow;
};
