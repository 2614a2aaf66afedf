#include "ui/ProfileChooser.h"

#include "ui/ProfileWindow.h"

#include <QComboBox>

ProfileChooser::ProfileChooser(QComboBox *combo, QString catalogue_path, QObject *parent)
    : QObject(parent), combo_(combo), choice_(std::move(catalogue_path)) {
    connect(combo_, &QComboBox::activated, this,
            [this](int index) { ComboBox_OutputSettingChange(index); });
}

void ProfileChooser::FillProfileCombo(int32_t device_type) {
    device_type_ = device_type;
    choice_.Fill(device_type);
    combo_->clear();
    combo_->addItems(choice_.Entries());
    combo_->setCurrentIndex(choice_.DefaultSelection().value_or(-1));
}

void ProfileChooser::ComboBox_OutputSettingChange(int index) {
    if (!choice_.IsAddEntry(index) || ProfileWindow == nullptr)
        return;
    ProfileWindow->OpenForNew(device_type_);
    ShowEditor();
    if (const auto after = choice_.SelectionAfterAdd())
        combo_->setCurrentIndex(*after);
}

void ProfileChooser::TB_EditClick() {
    const ProfileChoice::EditTarget target = choice_.EditTargetAt(combo_->currentIndex());
    if (target.Action == ProfileChoice::EditAction::Nothing || ProfileWindow == nullptr)
        return;
    ProfileWindow->OpenForNew(device_type_);
    if (target.Action == ProfileChoice::EditAction::Change)
        ProfileWindow->OpenForEdit(target.Slot);
    ShowEditor();
}

void ProfileChooser::ShowEditor() {
    ProfileWindow->ShowModal();
    if (ProfileWindow->Saved())
        FillProfileCombo(device_type_);
}
