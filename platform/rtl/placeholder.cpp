// TEMPORARY placeholder so the library has a source; the owner deletes it.
