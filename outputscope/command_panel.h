// What every output panel shares: it turns its controls into an OutputCommand and hands it on
// with commandReady(); the window sends it. Helpers build the port and byte controls the
// addressed commands take.
#pragma once

#include <QWidget>

#include "output_command.h"

class QFormLayout;
class QSpinBox;

class CommandPanel : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;

    // Sets the module port the panel addresses (panels without ports ignore it).
    virtual void setPort(int port);

  signals:
    void commandReady(const OutputCommand &command);

  protected:
    // A spin box for a byte-sized argument (0 to 255), named `objectName`, added to `form`.
    QSpinBox *addByteBox(QFormLayout *form, const QString &label, const char *objectName,
                         int maximum = 255);
    // The port box (ports 0 to 23, pairs of two), added to `form`; setPort() sets it.
    QSpinBox *addPortBox(QFormLayout *form);

    QSpinBox *port_ = nullptr;
};
