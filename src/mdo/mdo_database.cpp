#include "mdo/mdo_database.h"

#include "mdo/login_dialog.h"
#include "mdo/mdo_database_info.h"
#include "mdo/mdo_errors.h"
#include "mdo/mdo_transaction.h"
#include "mdo/sql_monitor_hook.h"
#include "mdo/status_vector.h"

namespace {

// Runs one step of a close. Not forced, its error ends the close; forced, the
// close must go on whatever the step met (the connection goes either way),
// so the error is dropped.
template <class F>
void CloseStep(bool force, F step) {
    if (!force) {
        step();
        return;
    }
    try {
        step();
    } catch (const std::exception&) {
        // Forced: nothing may stop the close (see above).
    }
}

// A password line: its name, trimmed, lower-cased and without an
// "isc_dpb_" prefix, begins with "password".
bool IsPasswordLine(const std::string& line) {
    std::string name = LowerCase(TrimBlanks(line.substr(0, line.find('='))));
    if (name.rfind("isc_dpb_", 0) == 0) name.erase(0, 8);
    return name.rfind("password", 0) == 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// TMDOBase

TMDOBase::~TMDOBase() {
    TMDOBase::SetDatabase(nullptr);
    TMDOBase::SetTransaction(nullptr);
}

void TMDOBase::DoAfterDatabaseDisconnect() {
    if (OnAfterDatabaseDisconnect) OnAfterDatabaseDisconnect(*this);
}

void TMDOBase::DoAfterTransactionEnd() {
    if (OnAfterTransactionEnd) OnAfterTransactionEnd(*this);
}

void TMDOBase::DoBeforeDatabaseDisconnect() {
    if (OnBeforeDatabaseDisconnect) OnBeforeDatabaseDisconnect(*this);
}

void TMDOBase::DoBeforeTransactionEnd() {
    if (OnBeforeTransactionEnd) OnBeforeTransactionEnd(*this);
}

void TMDOBase::DoDatabaseFree() {
    if (OnDatabaseFree) OnDatabaseFree(*this);
    SetDatabase(nullptr);
    SetTransaction(nullptr);
}

void TMDOBase::DoTransactionFree() {
    if (OnTransactionFree) OnTransactionFree(*this);
    transaction_ = nullptr;
    transactionIndex_ = -1;
}

isc_db_handle* TMDOBase::DBHandle() {
    CheckDatabase();
    return database_->HandleAddress();
}

isc_tr_handle* TMDOBase::TRHandle() {
    CheckTransaction();
    return transaction_->HandleAddress();
}

void TMDOBase::SetDatabase(TMDODatabase* database) {
    if (database == database_) return;
    if (database_ != nullptr) database_->UnlinkClient(databaseIndex_);
    database_ = database;
    databaseIndex_ = database != nullptr ? database->LinkClient(this) : -1;
    if (database != nullptr && transaction_ == nullptr)
        SetTransaction(database->ChooseTransaction());
}

void TMDOBase::SetTransaction(TMDOTransaction* transaction) {
    if (transaction == transaction_) return;
    if (transaction_ != nullptr) transaction_->UnlinkClient(transactionIndex_);
    transaction_ = transaction;
    transactionIndex_ = transaction != nullptr ? transaction->LinkClient(this) : -1;
    if (transaction != nullptr && database_ == nullptr) SetDatabase(transaction->ChooseDatabase());
}

void TMDOBase::CheckDatabase() {
    if (database_ == nullptr) RaiseClientError(24);
    database_->CheckActive();
}

void TMDOBase::CheckTransaction() {
    if (transaction_ == nullptr) RaiseClientError(25);
    transaction_->CheckInTransaction();
}

// ---------------------------------------------------------------------------
// TMDODatabase: construction and properties

TMDODatabase::TMDODatabase() {
    CheckClientLibraryLoaded();
    privateTransaction_ = std::make_unique<TMDOTransaction>();
    privateTransaction_->SetDefaultDatabase(this);
}

TMDODatabase::~TMDODatabase() {
    idleTimer_.SetInterval(0);
    ForceClose();
    for (TMDOBase* client : clients_.Items()) client->DoDatabaseFree();
    for (int i = 0; i < clients_.Size(); ++i) UnlinkClient(i);
    for (int i = 0; i < transactions_.Size(); ++i) UnlinkTransaction(i);
    privateTransaction_.reset();
}

void TMDODatabase::SetConnected(bool connected) {
    if (connected) {
        if (!Connected()) Attach();
        return;
    }
    if (Connected()) Detach(false);
    dbSQLDialect_ = 3;
}

void TMDODatabase::SetDatabaseName(const std::string& name) {
    if (name == databaseName_) return;
    CheckInactive();
    databaseName_ = name;
}

void TMDODatabase::SetParams(const TStringList& params) {
    CheckInactive();
    params_ = params;
    dpbStale_ = true;
}

void TMDODatabase::SetSQLDialect(int dialect) {
    if (dialect < 1 || (Connected() && dialect > dbSQLDialect_)) RaiseClientError(87);
    sqlDialect_ = dialect;
}

void TMDODatabase::SetDefaultTransaction(TMDOTransaction* transaction) {
    if (defaultTransaction_ != nullptr && defaultTransaction_ != transaction &&
        defaultTransaction_->DefaultDatabase() != this)
        UnlinkTransaction(IndexOfTransaction(defaultTransaction_));
    if (transaction != nullptr && transaction != defaultTransaction_) {
        transaction->LinkDatabase(this);
        LinkTransaction(transaction);
    }
    defaultTransaction_ = transaction;
}

void TMDODatabase::SetIdleTimer(int32_t milliseconds) {
    if (milliseconds < 0) RaiseClientError(20);
    idleTimer_.SetInterval(milliseconds);
}

void TMDODatabase::SetClientLib(TMDOClientLib choice) {
    if (choice == clientLib_) return;
    clientLib_ = choice;
    // The loaded library already is the one chosen, or any will do.
    if (!ClientLibraryName.empty() &&
        (ClientLibraryName == ClientLibraryFileNames(choice) || choice == clAutoDetect))
        return;
    bool cancel = false;
    if (OnClientLibChange) OnClientLibChange(*this, choice, cancel);
    if (cancel) return;
    clientLib_ = choice;
    ForceClose();
    FreeClientLibrary();
    ClientLibraryName = ClientLibraryFileNames(choice);
    CheckClientLibraryLoaded();
}

// ---------------------------------------------------------------------------
// Connecting

void TMDODatabase::Attach() {
    if (BeforeConnect) BeforeConnect(*this);
    CheckInactive();
    CheckDatabaseName();
    if (!LoginPrompt && !hiddenPassword_.empty()) {
        hiddenPassword_.clear();
        dpbStale_ = true;
    }
    if (LoginPrompt && !Login()) RaiseClientError(10);
    if (dpbStale_) {
        if (LoginPrompt && !hiddenPassword_.empty()) {
            TStringList params = params_;
            params.push_back("password=" + hiddenPassword_);
            dpb_ = BuildDPB(params);
        } else {
            dpb_ = BuildDPB(params_);
        }
        // Only a block that was built is current: after a refused list the
        // next attach must not go out with the previous block.
        dpbStale_ = false;
    }
    libraryUser_ = std::make_unique<TcClientLibraryUser>();
    const ISC_STATUS result =
        Call(ClientApi.isc_attach_database(
                 ThreadStatusVector(), static_cast<short>(databaseName_.size()),
                 databaseName_.c_str(), &handle_, static_cast<short>(dpb_.size()), dpb_.data()),
             false);
    if (result > 0) {
        ReleaseHandle();
        RaiseDatabaseError();
    }
    dbSQLDialect_ = ReadDatabaseDialect();
    if (dbSQLDialect_ < sqlDialect_) {
        sqlDialect_ = dbSQLDialect_;
        if (OnDialectDowngradeWarning) OnDialectDowngradeWarning(*this);
    }
    if (AfterConnect) AfterConnect(*this);
    MonitorHook().DBConnect(*this);
    if (defaultTransaction_ != nullptr && defaultTransaction_->AutoCommit)
        defaultTransaction_->StartTransaction();
}

bool TMDODatabase::Login() {
    if (OnLogin) {
        TStringList params = params_;
        OnLogin(*this, params);
        SetParams(params);
        HidePassword();
        return true;
    }
    const int userLine = IndexOfParam(params_, "user_name");
    const int passwordLine = IndexOfParam(params_, "password");
    TMDOLoginRequest request;
    request.Kind = TMDOLoginRequest::TKind::Database;
    request.Target = databaseName_;
    if (userLine >= 0) request.UserName = ParamValue(params_[static_cast<size_t>(userLine)]);
    const std::string password =
        passwordLine >= 0 ? ParamValue(params_[static_cast<size_t>(passwordLine)]) : std::string();
    request.Password = password;
    if (!ShowLoginDialog(request)) return false;
    const std::string userEntry = "user_name=" + request.UserName;
    if (userLine >= 0)
        params_[static_cast<size_t>(userLine)] = userEntry;
    else
        params_.push_back(userEntry);
    if (request.Password == password) {
        hiddenPassword_.clear();
    } else {
        hiddenPassword_ = request.Password;
        // The line the old password came from goes, so the block carries
        // only the typed one.
        if (!password.empty()) params_.erase(params_.begin() + passwordLine);
    }
    dpbStale_ = true;
    return true;
}

void TMDODatabase::HidePassword() {
    for (auto line = params_.begin(); line != params_.end(); ++line) {
        if (IsPasswordLine(*line)) {
            hiddenPassword_ = ParamValue(*line);
            params_.erase(line);
            dpbStale_ = true;
            return;
        }
    }
}

int TMDODatabase::ReadDatabaseDialect() {
    TMDODatabaseInfo info;
    info.Database = this;
    return static_cast<int>(info.DBSQLDialect());
}

// ---------------------------------------------------------------------------
// Disconnecting

void TMDODatabase::Detach(bool force) {
    CheckActive();
    if (!force && BeforeDisconnect) BeforeDisconnect(*this);
    for (TMDOTransaction* transaction : transactions_.Items()) {
        if (transaction->Active()) CloseStep(force, [&] { transaction->EndForClose(); });
    }
    for (TMDOBase* client : clients_.Items())
        CloseStep(force, [&] { client->DoBeforeDatabaseDisconnect(); });
    if (!handleIsShared_) {
        const ISC_STATUS result =
            Call(ClientApi.isc_detach_database(ThreadStatusVector(), &handle_), false);
        if (result > 0 && !force) RaiseDatabaseError();
    }
    ReleaseHandle();
    MonitorHook().DBDisconnect(*this);
    for (TMDOBase* client : clients_.Items())
        CloseStep(force, [&] { client->DoAfterDatabaseDisconnect(); });
    if (!force && AfterDisconnect) AfterDisconnect(*this);
}

void TMDODatabase::ForceClose() {
    if (Connected()) Detach(true);
}

void TMDODatabase::ReleaseHandle() {
    handle_ = 0;
    handleIsShared_ = false;
    libraryUser_.reset();
}

void TMDODatabase::CheckActive() const {
    if (handle_ == 0) RaiseClientError(15);
}

void TMDODatabase::CheckInactive() const {
    if (handle_ != 0) RaiseClientError(16);
}

void TMDODatabase::CheckDatabaseName() const {
    if (databaseName_.empty()) RaiseClientError(17);
}

void TMDODatabase::SetHandle(isc_db_handle handle) {
    if (handleIsShared_)
        SetConnected(false);
    else
        CheckInactive();
    if (handle != 0 && !libraryUser_) libraryUser_ = std::make_unique<TcClientLibraryUser>();
    handle_ = handle;
    handleIsShared_ = handle != 0;
}

ISC_STATUS TMDODatabase::Call(ISC_STATUS result, bool raiseOnError) {
    idleFlag_ = false;
    if (raiseOnError && result > 0) RaiseDatabaseError();
    return result;
}

void TMDODatabase::IdleTick() {
    if (!Connected()) return;
    if (!idleFlag_) {
        idleFlag_ = true;
        return;
    }
    ForceClose();
    if (OnIdleTimer) OnIdleTimer(*this);
}

// ---------------------------------------------------------------------------
// Links

int TMDODatabase::LinkTransaction(TMDOTransaction* transaction) {
    if (transactions_.IndexOf(transaction) >= 0) return -1;
    return transactions_.Link(transaction);
}

void TMDODatabase::UnlinkTransaction(int index) {
    TMDOTransaction* transaction = transactions_.Unlink(index);
    if (transaction == nullptr) return;
    transaction->UnlinkDatabase(transaction->IndexOfDatabase(this));
    if (defaultTransaction_ == transaction) defaultTransaction_ = nullptr;
}

int TMDODatabase::IndexOfTransaction(const TMDOTransaction* transaction) const {
    return transactions_.IndexOf(transaction);
}

TMDOTransaction* TMDODatabase::ChooseTransaction() const {
    if (defaultTransaction_ != nullptr) return defaultTransaction_;
    for (TMDOTransaction* transaction : transactions_.Items()) {
        if (transaction->DefaultDatabase() == this && transaction != privateTransaction_.get())
            return transaction;
    }
    return nullptr;
}

int TMDODatabase::LinkClient(TMDOBase* client) {
    return clients_.Link(client);
}

void TMDODatabase::UnlinkClient(int index) {
    TMDOBase* client = clients_.Unlink(index);
    if (client == nullptr) return;
    client->database_ = nullptr;
    client->databaseIndex_ = -1;
}
