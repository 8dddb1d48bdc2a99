#include "viewer/delimiter_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "viewer/settings_store.h"
#include "viewer/twips.h"

namespace corvex::viewer {

DelimiterDialog::DelimiterDialog(SettingsStore& settings, FailureFn on_store_failure, QWidget* parent)
    : QDialog(parent), settings_(settings), on_store_failure_(std::move(on_store_failure)) {
    setObjectName(QStringLiteral("frmDelimiter"));
    setWindowTitle(QStringLiteral("Choose Delimiter"));
    setFixedSize(twips_to_pixels(2595), twips_to_pixels(960));

    // Made first, so the text box comes first in the tab order.
    txt_delimiter_ = new QLineEdit(this);
    txt_delimiter_->setObjectName(QStringLiteral("txtDelimiter"));
    place(txt_delimiter_, 1080, 120, 615, 285);
    auto* label = new QLabel(QStringLiteral("Delimiter"), this);
    label->setObjectName(QStringLiteral("lblDelimiter"));
    place(label, 120, 120, 855, 255);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    place(cancel, 120, 480, 1215, 375);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    place(ok, 1440, 480, 1095, 375);
    setTabOrder(txt_delimiter_, cancel);
    setTabOrder(cancel, ok);

    connect(ok, &QPushButton::clicked, this, &DelimiterDialog::store_and_hide);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    // Load.
    txt_delimiter_->setText(QString::fromStdString(stored_delimiter(settings_)));
}

std::string stored_delimiter(const SettingsStore& settings) { return settings.get("DELIMITER", "DELIMITER", ","); }

void DelimiterDialog::store_and_hide() {
    if (auto stored = settings_.set("DELIMITER", "DELIMITER", txt_delimiter_->text().toStdString()); !stored) {
        if (on_store_failure_) on_store_failure_(stored.error());
    }
    accept();
}

void DelimiterDialog::closeEvent(QCloseEvent* event) {
    closed_by_close_box_ = true;
    QDialog::closeEvent(event);
}

}  // namespace corvex::viewer
