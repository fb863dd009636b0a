#pragma once
// The main window's panels and pages, for the programs and tests that reach their controls
// through the page that owns them.
#include "app/config_page.h"
#include "app/disk_image_loader_page.h"
#include "app/extra_coding_page.h"
#include "app/form3.h"
#include "app/gamma_page.h"
#include "app/keys_emul_page.h"
#include "app/left_panel.h"
#include "app/screen_setup_page.h"
#include "app/screen_size_page.h"
#include "app/sd_file_manager_page.h"
#include "app/storage_panel.h"
#include "app/transmission_page.h"
#include "app/turbo_timer_page.h"
