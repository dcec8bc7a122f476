/* The provider's calls bound to libftdi1 itself. */
#include "comm/d2xx/ftdi/FtdiCalls.h"

static void SetDetachMode(struct ftdi_context* ftdi, enum ftdi_module_detach_mode mode)
{
    ftdi->module_detach_mode = mode;
}

static void SetUsbTimeouts(struct ftdi_context* ftdi, int readMs, int writeMs)
{
    ftdi->usb_read_timeout = readMs;
    ftdi->usb_write_timeout = writeMs;
}

const struct DabrixFtdiCalls DabrixFtdiLibftdi = {
    ftdi_new, ftdi_free, ftdi_usb_find_all, ftdi_list_free, ftdi_usb_get_strings,
    ftdi_set_interface, SetDetachMode, SetUsbTimeouts, ftdi_usb_open_dev, ftdi_usb_close,
    ftdi_usb_reset, ftdi_set_baudrate, ftdi_set_line_property2, ftdi_set_latency_timer,
    ftdi_read_data_set_chunksize, ftdi_write_data_set_chunksize, ftdi_setdtr, ftdi_setrts,
    ftdi_read_data, ftdi_write_data, ftdi_tciflush, ftdi_tcoflush,
};
