SET TERM ^ ;
create procedure p as begin x = :a; end^
SET TERM ; ^
select :id from t where a = 'it''s';
