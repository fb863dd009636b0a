// The controls of the two transfer pages and their handlers, without a display.
#include "tests/app/form_fixture.h"

#include "app/sd_file_controls.h"
#include "app/widgets/k_combo_box.h"
#include "app/widgets/k_edit.h"
#include "protocol/protocol_states.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

TEST_F(FormTest, SdPageHasItsControlsUnderTheirNames)
{
    EXPECT_EQ(form->cxTabSheet4->ComboBox2->isEditable(), true);
    QStringList items;
    for (int i = 0; i < form->cxTabSheet4->ComboBox2->count(); ++i)
        items << form->cxTabSheet4->ComboBox2->itemText(i);
    EXPECT_EQ(items,
              (QStringList{"/", "/3D/", "/main/", "/params/", "/service/", "/warn/", "/updates/", "/str/", "/sys/", "/logos/",
                           "/diag/", "/icons/"}));
    EXPECT_EQ(form->cxTabSheet4->ComboBox2->Text(), "/");
    EXPECT_EQ(form->cxTabSheet4->Button7->text(), "Load Packet");
    EXPECT_EQ(form->cxTabSheet4->Label3->text(), "The download page for the MFD SD card version 7.0 and 7.5.");
    // The tree starts in the home folder, selected, with its own name.
    EXPECT_EQ(form->cxTabSheet4->DirectoryListBox1->folder(), QDir::homePath());
    EXPECT_EQ(form->cxTabSheet4->DirectoryListBox1->selectedText(), QDir(QDir::homePath()).dirName());
    EXPECT_GE(form->cxTabSheet4->DriveComboBox1->count(), 2);
    EXPECT_EQ(form->cxTabSheet4->DriveComboBox1->itemText(0), "/");
}

TEST_F(FormTest, OpeningAFolderListsItsFilesShowsItsNameAndPreselectsTheSdFolder)
{
    QTemporaryDir top;
    ASSERT_TRUE(top.isValid());
    QDir d(top.path());
    for (const char* sub : {"3d", "Photos", "ICONS", "warn"})
        ASSERT_TRUE(d.mkdir(QString::fromLatin1(sub)));
    for (const char* file : {"b.txt", "a.bin", "C.dat"})
        QFile(d.filePath(QStringLiteral("3d/") + QString::fromLatin1(file))).open(QIODevice::WriteOnly);
    d.mkdir(QStringLiteral("3d/inner"));

    struct Case {
        QString folder;
        QString sdFolder;
        QString label;
    } cases[] = {
        {d.filePath("3d"), "/3D/", "3d"},
        {d.filePath("Photos"), "/", "Photos"},
        {d.filePath("ICONS"), "/icons/", "ICONS"},
        {d.filePath("warn"), "/warn/", "warn"},
        {"/", "/", "/"},
    };
    for (const Case& c : cases) {
        form->cxTabSheet4->ComboBox2->setItemIndex(5);
        form->cxTabSheet4->DirectoryListBox1->setFolder(c.folder);
        EXPECT_EQ(form->cxTabSheet4->ComboBox2->Text(), c.sdFolder) << c.folder.toStdString();
        EXPECT_EQ(form->cxTabSheet4->Label3->text(), c.label) << c.folder.toStdString();
    }
    form->cxTabSheet4->DirectoryListBox1->setFolder(d.filePath("3d"));
    EXPECT_EQ(form->cxTabSheet4->FileListBox1->entries(), (QStringList{"C.dat", "a.bin", "b.txt"}));  // files only, by name
    // A click on a subfolder in the tree opens it.
    QTreeWidgetItem* inner = nullptr;
    for (QTreeWidgetItemIterator it(form->cxTabSheet4->DirectoryListBox1); *it; ++it)
        if ((*it)->text(0) == "inner")
            inner = *it;
    ASSERT_NE(inner, nullptr);
    emit form->cxTabSheet4->DirectoryListBox1->itemClicked(inner, 0);
    EXPECT_EQ(form->cxTabSheet4->DirectoryListBox1->folder(), d.filePath("3d/inner"));
    EXPECT_EQ(form->cxTabSheet4->Label3->text(), "inner");
    EXPECT_TRUE(form->cxTabSheet4->FileListBox1->entries().isEmpty());
}

TEST_F(FormTest, LoadPacketOnlyStoresTheBatchStart)
{
    showPagesAsGreeted();
    form->cxTabSheet4->ComboBox2->setText("abc");
    form->cxTabSheet4->Button7->click();
    EXPECT_EQ(form->loop().state(), State::kSdBatchStart);
}

TEST_F(FormTest, ImagePickerStartsAtHomeWithTheSlotsNameAndEnablesSendForAFileThatExists)
{
    showPagesAsGreeted();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString image = QDir(dir.path()).filePath("mine.imz");
    QFile(image).open(QIODevice::WriteOnly);

    QString shownIn, suffix, proposed;
    form->setFileDialogRunner([&](QFileDialog& d) {
        shownIn = d.directory().absolutePath();
        suffix = d.defaultSuffix();
        proposed = d.selectedFiles().value(0);
        return false;  // cancelled
    });
    form->TabSheet4->imagePicker[1]->click();
    EXPECT_EQ(shownIn, QDir::homePath());
    EXPECT_EQ(suffix, "disk1.imz");
    EXPECT_TRUE(proposed.endsWith("/disk1.imz")) << proposed.toStdString();
    EXPECT_EQ(form->TabSheet4->imageFileBox[1]->text(), "Select file....");
    EXPECT_FALSE(form->TabSheet4->imageSend[1]->isEnabled());

    form->setFileDialogRunner([&](QFileDialog& d) {
        d.selectFile(image);
        return true;
    });
    form->TabSheet4->imagePicker[5]->click();
    EXPECT_EQ(form->TabSheet4->imageFileBox[5]->text(), image);
    EXPECT_TRUE(form->TabSheet4->imageSend[5]->isEnabled());

    // The check runs on a cancel too: a file typed into the box that exists enables "Send".
    form->TabSheet4->imageFileBox[7]->setText(image);
    form->setFileDialogRunner([](QFileDialog&) { return false; });
    form->TabSheet4->imagePicker[7]->click();
    EXPECT_TRUE(form->TabSheet4->imageSend[7]->isEnabled());
    // ... and one that does not disables it again.
    form->TabSheet4->imageFileBox[5]->setText(image + ".gone");
    form->TabSheet4->imagePicker[5]->click();
    EXPECT_FALSE(form->TabSheet4->imageSend[5]->isEnabled());

    form->TabSheet4->imageSend[7]->click();
    EXPECT_EQ(form->loop().state(), State::kFlashOpen);
}
