#include "mdo/status_vector.h"

ISC_STATUS* ThreadStatusVector() {
    thread_local ISC_STATUS_ARRAY status = {};
    return status;
}

bool CheckStatusVector(const ISC_STATUS* status, std::initializer_list<ISC_STATUS> codes) {
    size_t i = 0;
    while (i < ISC_STATUS_LENGTH && status[i] != isc_arg_end) {
        const ISC_STATUS type = status[i];
        if (type == isc_arg_gds || type == isc_arg_number) {
            if (i + 1 < ISC_STATUS_LENGTH) {
                for (ISC_STATUS code : codes) {
                    if (status[i + 1] == code) return true;
                }
            }
            i += 2;
        } else if (type == isc_arg_cstring) {
            i += 3;
        } else {
            i += 2;
        }
    }
    return false;
}

bool CheckStatusVector(std::initializer_list<ISC_STATUS> codes) {
    return CheckStatusVector(ThreadStatusVector(), codes);
}

bool IsLostConnection(const ISC_STATUS* status) {
    // The server shutting the attachment down (an administrator ended it)
    // leaves it as dead as a broken socket does.
    return CheckStatusVector(
        status, {isc_lost_db_connection, isc_net_read_err, isc_net_write_err, isc_att_shutdown});
}
